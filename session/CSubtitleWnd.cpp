#include "session/CSubtitleWnd.h"

#include "app/CConfig.h"
#include "platform/IScreen.h"
#include "platform/InputDevices.h"
#include "session/SubtitleWidths.h"
#include "translate/ITransEngine.h"
#include "ui/framework/WindowMessage.h"

#include <QLabel>
#include <QPalette>

namespace {

const QString kSourceLine = QStringLiteral("src_text");
const QString kTranslationLine = QStringLiteral("des_text");
const QString kLeft = QStringLiteral("left");
const QString kRight = QStringLiteral("right");
constexpr uint32_t kOpaque = 0xFF000000u;

// Arabic is written right to left: the line keeps the alignment it has.
bool KeepsAlignment(const QString& translationLanguage) {
    return translationLanguage == QLatin1String("ara");
}

} // namespace

CSubtitleWnd::CSubtitleWnd(std::shared_ptr<const CConfig> config, TransEngineFactory makeEngine,
                           std::shared_ptr<platform::IScreen> screen)
    : m_config(std::move(config)), m_screen(screen ? std::move(screen) : platform::Screen()) {
    if (makeEngine)
        m_engine = makeEngine(this);
}

CSubtitleWnd::~CSubtitleWnd() {
    // The engine goes first: once it is gone no answer calls back into this window.
    m_engine.reset();
}

QString CSubtitleWnd::LastCharacters(const QString& text, int count) {
    if (text.size() <= count)
        return text;
    QString last = text.right(count);
    if (!last.isEmpty() && last.front().isLowSurrogate())
        last.remove(0, 1);
    return last;
}

std::optional<uint32_t> CSubtitleWnd::ParseTextColor(const QString& value) {
    bool ok = false;
    const uint32_t argb = value.trimmed().toUInt(&ok, 10);
    if (!ok)
        return std::nullopt;
    return argb | kOpaque;
}

void CSubtitleWnd::InitWindow() {
    m_controlsFound =
        FindControl(kSourceLine) != nullptr && FindControl(kTranslationLine) != nullptr;
    m_skinColors = {SkinColorOf(kSourceLine), SkinColorOf(kTranslationLine)};
}

// The colour the skin gives a line, for when the setting names none.
uint32_t CSubtitleWnd::SkinColorOf(const QString& line) const {
    QWidget* control = FindControl(line);
    if (control == nullptr)
        return 0xFFFFFFFFu;
    control->ensurePolished();
    return control->palette().color(QPalette::WindowText).rgba();
}

Qt::WindowFlags CSubtitleWnd::AdjustWindowFlags(Qt::WindowFlags flags) const {
    // Over the slides, never taking the focus from the presentation.
    return flags | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus |
           Qt::X11BypassWindowManagerHint;
}

int CSubtitleWnd::LineWidth() const {
    if (m_lineWidth)
        return *m_lineWidth;
    const QWidget* line = FindControl(kSourceLine);
    return line != nullptr ? line->width() : 0;
}

void CSubtitleWnd::ShowSubtitle() {
    if (!m_controlsFound)
        return;
    KillTimer(kHideTimer);
    SetControlText(kSourceLine, QString());
    SetControlText(kTranslationLine, QString());
    // Answers still coming for the last session's texts belong to lines just cleared.
    m_firstCurrent = m_nextRequest;
    m_waiting.reset();
    const QSize screen = m_screen->ScreenSize();
    if (!screen.isEmpty()) {
        m_lineWidth = screen.width() - kLineMargin;
        SetFixedWidth(kSourceLine, *m_lineWidth);
        SetFixedWidth(kTranslationLine, *m_lineWidth);
    }
    ApplyEngineAlignment();
    ApplyTextColor();
    PlaceBand();
}

void CSubtitleWnd::ApplyEngineAlignment() {
    const QString engine = m_config->GetRecognitionEngine();
    const QString align = engine == QLatin1String("xf")   ? kLeft
                          : engine == QLatin1String("sh") ? kRight
                                                          : QString();
    if (align.isEmpty())
        return;
    SetAlign(kSourceLine, align);
    SetAlign(kTranslationLine, align);
}

void CSubtitleWnd::ApplyTextColor() {
    const std::optional<uint32_t> color = ParseTextColor(m_config->GetLpSubtitleColor());
    SetTextColor(kSourceLine, color.value_or(m_skinColors.first));
    SetTextColor(kTranslationLine, color.value_or(m_skinColors.second));
}

void CSubtitleWnd::PlaceBand() {
    QWidget* widget = GetHWND();
    // Without a known screen the band shows where and as wide as it was.
    const QSize screen = m_screen->ScreenSize();
    if (!screen.isEmpty()) {
        widget->setFixedSize(screen.width(), kBandHeight);
        MoveWindow(0, screen.height() - kBandRise);
    }
    ShowWindow(true, false);
    widget->raise();
}

void CSubtitleWnd::StartSubtitleHideTimer() {
    SetTimer(kHideTimer, kHideDelayMs);
}

void CSubtitleWnd::OnTimer(unsigned id) {
    if (id != kHideTimer)
        return;
    KillTimer(kHideTimer);
    ShowWindow(false);
}

void CSubtitleWnd::AddSubtitleText(const QString& text) {
    if (!m_controlsFound || text.isEmpty())
        return;
    const QString shown = LastCharacters(text, kMaxSourceCharacters);
    RequestTranslation(shown);
    const int charWidth = subtitlewidth::SourceCharWidth(m_config->GetLpLanguage());
    if (subtitlewidth::Overflows(LineWidth(), charWidth, shown.size()))
        SetAlign(kSourceLine, kRight);
    SetControlText(kSourceLine, shown);
}

void CSubtitleWnd::RequestTranslation(const QString& text) {
    if (!m_engine)
        return;
    if (m_inFlight != 0) {
        m_waiting = text;
        return;
    }
    SendToEngine(text);
}

void CSubtitleWnd::SendToEngine(const QString& text) {
    const QString service = m_config->GetTranslateEngine();
    const auto services = CConfig::TranslateServices();
    const std::string utf8 = text.toStdString();
    if (service == services.at(0)) {
        m_inFlight = m_nextRequest++;
        m_engine->Translate(utf8);
    } else if (service == services.at(1)) {
        // The second service answers nothing, so nothing is waited for.
        m_engine->TranslateGoogle(utf8);
    }
}

void CSubtitleWnd::OnTranslated(const std::string& text) {
    {
        std::lock_guard<std::mutex> guard(m_replyLock);
        m_translation = QString::fromStdString(text);
    }
    PostMessage(this, kTranslationReady, 0, 0);
}

intptr_t CSubtitleWnd::HandleCustomMessage(unsigned msg, uintptr_t wParam, intptr_t lParam,
                                           bool& handled) {
    if (msg != kTranslationReady)
        return WindowImplBase::HandleCustomMessage(msg, wParam, lParam, handled);
    handled = true;
    ShowTranslation();
    return 0;
}

void CSubtitleWnd::ShowTranslation() {
    const std::uint64_t answered = m_inFlight;
    m_inFlight = 0;
    if (m_waiting) {
        const QString next = *m_waiting;
        m_waiting.reset();
        SendToEngine(next);
    }
    QString translation;
    {
        std::lock_guard<std::mutex> guard(m_replyLock);
        translation = m_translation;
    }
    if (answered == 0 || answered < m_firstCurrent || !m_controlsFound)
        return;
    const QString language = m_config->GetLpTranslateLanguage();
    if (!KeepsAlignment(language) &&
        subtitlewidth::Overflows(LineWidth(), subtitlewidth::TranslationCharWidth(language),
                                 translation.size()))
        SetAlign(kTranslationLine, kRight);
    SetControlText(kTranslationLine, translation);
}
