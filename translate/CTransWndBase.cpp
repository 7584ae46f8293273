#include "translate/CTransWndBase.h"

#include "app/CConfig.h"
#include "platform/IClipboard.h"
#include "platform/IScreen.h"
#include "platform/InputDevices.h"
#include "translate/CTransEngine.h"
#include "translate/TransRequests.h"
#include "ui/framework/TNotifyUI.h"
#include "ui/framework/WindowMessage.h"

#include <QFontMetrics>

namespace {
const QString kLanguageList = QStringLiteral("lang_com");
const QString kSourceEdit = QStringLiteral("original_edit");
const QString kTranslationEdit = QStringLiteral("trans_edit");
const QString kPlayButton = QStringLiteral("play_btn");
const QString kPlayGif = QStringLiteral("play_gif");
const QString kProcessing = QStringLiteral("Processing...");
constexpr int kLanguageSectionLimit = 2048;
// Room the edits leave beside the text inside the window.
constexpr int kTextMargin = 24;
} // namespace

// The callback of one translation request: tags the answer with the request it belongs to.
class CTransWndBase::Request : public ITransCallBack {
public:
    Request(CTransWndBase& window, std::uint64_t id) : m_window(window), m_id(id) {}
    void OnTranslated(const std::string& text) override { m_window.TakeTranslation(m_id, text); }
    void OnSpeakEnd() override {}

private:
    CTransWndBase& m_window;
    std::uint64_t m_id;
};

CTransWndBase::CTransWndBase(TransWindowLinks links) : m_links(std::move(links)) {
    if (!m_links.screen)
        m_links.screen = platform::Screen();
    if (!m_links.clipboard)
        m_links.clipboard = platform::Clipboard();
    if (!m_links.makeEngine) {
        m_links.makeEngine = [config = m_links.config,
                              kind = m_links.deviceKind](ITransCallBack* callBack) {
            CTransEngine::Context context;
            context.config = config;
            context.deviceKind = kind;
            return std::unique_ptr<ITransEngine>(new CTransEngine(callBack, std::move(context)));
        };
    }
    m_speechEngine = m_links.makeEngine(this);
}

CTransWndBase::~CTransWndBase() = default;

int CTransWndBase::DeviceKind() const {
    return m_links.deviceKind ? m_links.deviceKind() : 0;
}

void CTransWndBase::InitWindow() {
    FillLanguageList();
    SetControlVisible(kPlayGif, false);
}

void CTransWndBase::FillLanguageList() {
    if (!m_links.config || !FindControl(kLanguageList))
        return;
    m_selectingLanguage = true;
    RemoveAllListItems(kLanguageList);
    const auto entries = m_links.config->ReadLanguageSection(QStringLiteral("translate_baidu_lans"),
                                                             kLanguageSectionLimit);
    int index = 0;
    for (const LanguageEntry& entry : entries)
        AddListItem(kLanguageList, {entry.code, entry.label, index++});
    m_selectingLanguage = false;
    SelectCurrentLanguage();
}

void CTransWndBase::SelectCurrentLanguage() {
    if (!m_links.config)
        return;
    const QString code = m_links.config->GetForDevice(ConfigKey::TranslateLanguage, DeviceKind());
    // Selecting in code is not a user's choice: it must not store or translate again.
    m_selectingLanguage = true;
    SelectListItem(kLanguageList, FindListItem(kLanguageList, code));
    m_selectingLanguage = false;
}

void CTransWndBase::Notify(const TNotifyUI& msg) {
    if (msg.sType == ui::notify::kItemSelect && msg.senderName == kLanguageList) {
        if (!m_selectingLanguage)
            OnLanguageChosen();
        return;
    }
    WindowImplBase::Notify(msg);
}

void CTransWndBase::OnLanguageChosen() {
    const int index = GetListCurSel(kLanguageList);
    if (index < 0 || !m_links.config)
        return;
    const QString code = GetListItem(kLanguageList, index).name;
    m_links.config->SetForDevice(ConfigKey::TranslateLanguage, DeviceKind(), code);
    if (m_links.languageChosen)
        m_links.languageChosen();
    StartTranslation();
}

void CTransWndBase::OnClick(const TNotifyUI& msg) {
    if (msg.senderName == QLatin1String("close_btn"))
        HideAndClear();
    else if (msg.senderName == QLatin1String("copy_btn"))
        Copy();
    else if (msg.senderName == kPlayButton)
        Play();
}

void CTransWndBase::HideAndClear() {
    ShowWindow(false);
    SetControlText(kSourceEdit, QString());
    SetControlText(kTranslationEdit, QString());
}

void CTransWndBase::Copy() {
    m_links.clipboard->SetText(Translation());
}

void CTransWndBase::Play() {
    SetControlVisible(kPlayButton, false);
    SetControlVisible(kPlayGif, true);
    m_speechEngine->Speak(Translation().toStdString());
}

QString CTransWndBase::Translation() const {
    std::lock_guard<std::mutex> guard(m_translationLock);
    return m_translation;
}

QSize CTransWndBase::SizeFor(const QString& text) const {
    const QWidget* edit = FindControl(kSourceEdit);
    const QFontMetrics metrics = edit ? edit->fontMetrics() : QFontMetrics(QFont());
    const QRect measured = metrics.boundingRect(QRect(0, 0, kWidth - kTextMargin, 0),
                                                Qt::TextWordWrap, text.isEmpty() ? " " : text);
    return QSize(kWidth, std::min(2 * measured.height() + kExtraHeight, kMaxHeight));
}

QPoint CTransWndBase::FitOnScreen(QPoint place, QSize size) const {
    const QSize screen = m_links.screen->ScreenSize();
    if (screen.isEmpty())
        return place;
    const int x = std::max(0, std::min(place.x(), screen.width() - size.width()));
    const int y = std::max(0, std::min(place.y(), screen.height() - size.height()));
    return QPoint(x, y);
}

QSize CTransWndBase::ShowSourceText(const QString& text) {
    m_source = text;
    StartTranslation();
    SelectCurrentLanguage();
    SetControlText(kSourceEdit, text);
    SetControlText(kTranslationEdit, kProcessing);
    const QSize size = SizeFor(text);
    if (QWidget* widget = GetHWND())
        widget->setFixedSize(size);
    return size;
}

void CTransWndBase::StartTranslation() {
    std::uint64_t id = 0;
    {
        std::lock_guard<std::mutex> guard(m_translationLock);
        id = ++m_latest;
        m_translation.clear();
    }
    // The previous request's engine goes first: its answer, should it still come, is dropped.
    m_requestEngine.reset();
    m_request = std::make_unique<Request>(*this, id);
    m_requestEngine = m_links.makeEngine(m_request.get());
    m_replyOutstanding = true;
    if (!m_links.config || !transreq::TranslateWithConfiguredService(
                               *m_requestEngine, *m_links.config, m_source.toStdString()))
        m_replyOutstanding = false; // no service asked: no answer will come
}

void CTransWndBase::TakeTranslation(std::uint64_t id, const std::string& text) {
    {
        std::lock_guard<std::mutex> guard(m_translationLock);
        if (id != m_latest.load())
            return;
        m_translation = QString::fromUtf8(text.c_str());
    }
    PostMessage(this, kTranslationReady, static_cast<uintptr_t>(id), 0);
}

void CTransWndBase::OnTranslated(const std::string&) {}

void CTransWndBase::OnSpeakEnd() {
    PostMessage(this, kSpeechFinished, 0, 0);
}

void CTransWndBase::ShowTranslation(std::uint64_t id) {
    if (id != m_latest.load())
        return;
    m_replyOutstanding = false;
    SetControlText(kTranslationEdit, Translation());
    OnTranslationShown();
}

intptr_t CTransWndBase::HandleCustomMessage(unsigned msg, uintptr_t wParam, intptr_t lParam,
                                            bool& handled) {
    handled = true;
    if (msg == kTranslationReady) {
        ShowTranslation(static_cast<std::uint64_t>(wParam));
    } else if (msg == kSpeechFinished) {
        SetControlVisible(kPlayButton, true);
        SetControlVisible(kPlayGif, false);
    } else {
        return WindowImplBase::HandleCustomMessage(msg, wParam, lParam, handled);
    }
    return 0;
}
