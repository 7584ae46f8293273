#include "session/CVoiceTipWnd.h"

#include "device/VoiceMode.h"
#include "platform/IScreen.h"
#include "session/TipTexts.h"

#include <QLabel>
#include <QMovie>

namespace {

const QString kModePicture = QStringLiteral("icon_gif");

QString PictureOfMode(int voiceMode) {
    switch (voiceMode) {
    case kVoiceTyping:
        return QStringLiteral(":/skin/tipWnd/typing_icon.gif");
    case kVoiceSearch:
        return QStringLiteral(":/skin/tipWnd/search_icon.gif");
    case kVoiceTranslation:
        return QStringLiteral(":/skin/tipWnd/trans_icon.gif");
    default:
        return QString();
    }
}

} // namespace

CVoiceTipWnd::CVoiceTipWnd(std::shared_ptr<const CConfig> config, VoiceModeGetter voiceMode,
                           std::shared_ptr<platform::IScreen> screen)
    : CTipWindowBase(std::move(config), std::move(screen)), m_voiceMode(std::move(voiceMode)) {}

int CVoiceTipWnd::CurrentVoiceMode() const {
    return m_voiceMode ? m_voiceMode() : 0;
}

void CVoiceTipWnd::ShowVoiceTip(int state, const QString& text, bool hide, int delayMs) {
    if (GetHWND() == nullptr)
        return;
    const int voiceMode = CurrentVoiceMode();
    SetModePicture(voiceMode);
    ApplyState(state, text, hide, delayMs);
    const int width = WidthForShownText();
    ShowSized(width, PlaceFor(voiceMode, width));
}

void CVoiceTipWnd::HideVoiceTip() {
    ShowWindow(false);
}

void CVoiceTipWnd::ApplyState(int state, const QString& text, bool hide, int delayMs) {
    switch (state) {
    case kTipListening:
        // Listening lasts as long as the key is held: no earlier hide may cut it short.
        KillTimer(kHideTimer);
        SetTipText(tiptext::VoiceTipText(UiLanguage(), kTipListening));
        break;
    case kTipProcessing:
        SetTipText(tiptext::VoiceTipText(UiLanguage(), kTipProcessing));
        if (hide)
            SetTimer(kHideTimer, delayMs);
        break;
    case kTipText:
        SetTipText(text);
        if (hide)
            SetTimer(kHideTimer, delayMs);
        break;
    default:
        break;
    }
}

std::optional<QPoint> CVoiceTipWnd::PlaceFor(int voiceMode, int width) const {
    if (voiceMode != 0 && voiceMode != 1 && voiceMode != 2)
        return std::nullopt;
    if (voiceMode != 1) {
        if (const std::optional<QPoint> caret = Screen().CaretPosition())
            return QPoint(caret->x() + kCaretOffsetX, caret->y() + kCaretOffsetY);
    }
    const std::optional<QSize> screen = ScreenSize();
    if (!screen)
        return std::nullopt;
    return QPoint(screen->width() - width, screen->height() - kBottomMargin);
}

void CVoiceTipWnd::SetModePicture(int voiceMode) {
    const QString picture = PictureOfMode(voiceMode);
    auto* label = FindControlAs<QLabel>(kModePicture);
    if (picture.isEmpty() || label == nullptr)
        return;
    QMovie* previous = label->movie();
    if (previous != nullptr && previous->fileName() == picture)
        return;
    auto* movie = new QMovie(picture, QByteArray(), label);
    label->setMovie(movie);
    movie->start();
    delete previous;
}

QString CVoiceTipWnd::ModePicture() const {
    const auto* label = FindControlAs<QLabel>(kModePicture);
    const QMovie* movie = label != nullptr ? label->movie() : nullptr;
    return movie != nullptr ? movie->fileName() : QString();
}
