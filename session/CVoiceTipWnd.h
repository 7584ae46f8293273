#pragma once

#include "app/FloatingWindowInterfaces.h"
#include "session/CTipWindowBase.h"

#include <functional>

// The state of a voice session next to the text caret: "Please speak" while listening,
// "Processing..." after the key is released, or a text. The picture shows the voice mode.
// UI thread only; the window manager brings calls from other threads here.
class CVoiceTipWnd : public CTipWindowBase, public IVoiceTipWindow {
public:
    // The current voice mode (0 typing, 1 search and commands, 2 translation, 3 subtitles).
    using VoiceModeGetter = std::function<int()>;

    CVoiceTipWnd(std::shared_ptr<const CConfig> config, VoiceModeGetter voiceMode,
                 std::shared_ptr<platform::IScreen> screen = nullptr);

    QString GetWindowClassName() const override { return QStringLiteral("VoiceTipWnd"); }
    QString GetSkinFile() const override { return QStringLiteral("VoiceTipWnd.xml"); }

    void ShowVoiceTip(int state, const QString& text, bool hide, int delayMs) override;
    void HideVoiceTip() override;

    // The picture the mode picture control plays; empty before the first show.
    QString ModePicture() const;

    static constexpr int kCaretOffsetX = 5;
    static constexpr int kCaretOffsetY = 10;
    static constexpr int kBottomMargin = 120;

private:
    int CurrentVoiceMode() const;
    void SetModePicture(int voiceMode);
    void ApplyState(int state, const QString& text, bool hide, int delayMs);
    // Where the tip goes in this mode; nullopt leaves it where it is.
    std::optional<QPoint> PlaceFor(int voiceMode, int width) const;

    VoiceModeGetter m_voiceMode;
};
