#pragma once

#include "app/CConfig.h"
#include "platform/IClipboard.h"
#include "platform/IKeyboardInput.h"

#include <QString>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

class DeviceContext;

// Puts recognised and translated text into the window that has the keyboard focus: pasted
// through the clipboard, or typed unit by unit when the device's typing mode is "mode1".
// Runs on the thread that delivered the text (engine or translation threads).
class CTextOutput {
public:
    // Everything the output reads or drives, supplied by the session controller. Members left
    // empty mean: the process-wide keyboard and clipboard, empty settings, device 0, voice
    // mode 0, no session text, not final, no tip, no usage event, no mouse, a plain sleep.
    struct Context {
        std::shared_ptr<platform::IKeyboardInput> keyboard;
        std::shared_ptr<platform::IClipboard> clipboard;
        // A setting by key (typing mode, sensor).
        std::function<QString(ConfigKey)> setting;
        // 0 mouse, 1 pen, 2 third device.
        std::function<int()> deviceKind;
        // 0 typing, 1 search, 2 translation, 3 subtitles.
        std::function<int()> voiceMode;
        // UTF-8 text of the current session.
        std::function<std::string()> sessionText;
        // Whether the most recent result was the session's final one.
        std::function<bool()> lastFlag;
        // The voice tip show: state, text, hide flag, hide delay in milliseconds.
        std::function<void(int state, const QString& text, bool hide, int delayMs)> showVoiceTip;
        // Records a usage event: kind, first and second text (UTF-8).
        std::function<void(int kind, const std::string& first, const std::string& second)>
            recordUsageEvent;
        // Opens the mouse and sends it the report that makes it type Ctrl+V; false when the
        // mouse could not be opened or the report not sent.
        std::function<bool()> sendMousePaste;
        // Waits between typed units.
        std::function<void(std::chrono::milliseconds)> pause;
    };

    static constexpr std::chrono::milliseconds kUnitInterval{20};
    static constexpr int kTipHideDelayMs = 1000;
    // How long the next piece waits for the paste target to fetch the previous one.
    static constexpr std::chrono::milliseconds kPasteReadLimit{1000};

    explicit CTextOutput(Context context);

    // The mouse paste of the device link: the mouse, opened afresh, is asked to type Ctrl+V.
    static std::function<bool()> MousePasteThrough(std::shared_ptr<DeviceContext> device);

    // Types the UTF-8 text (up to its first NUL) into the focused window. False when the text
    // did not arrive (clipboard busy, paste not sent, a unit that could not be typed); such a
    // result is not reported as typed. Failures are otherwise silent.
    bool TypeText(const std::string& utf8Text);

    // Puts the text on the clipboard and pastes it into the focused window (Ctrl+V, or the
    // mouse's paste report for "3212"), whatever the typing mode, and reports nothing. False when
    // it was not pasted.
    bool Paste(const QString& text);

    // One press and release of the up or down arrow into the focused window.
    void PressArrow(platform::ArrowKey key);

private:
    QString TypingMode() const;
    // Both false when the operation has to end without the final-result report.
    bool PasteThroughClipboard(const QString& text);
    bool PasteOnly(const QString& text);
    void WaitUntilPreviousPasteRead();
    bool TypeUnits(const QString& text);
    void ReportFinalResult(const std::string& typedText);
    bool KeyboardReady();

    Context m_context;
    std::atomic<bool> m_reportedUnavailable{false};
    // Pastes from the engine and translation threads take turns; the clipboard holds one text.
    std::mutex m_pasteLock;
    // The clipboard's read count just before the last paste, until that paste was fetched.
    std::optional<std::uint64_t> m_unreadPaste;
};
