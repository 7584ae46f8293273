#pragma once

#include "speech/IIatCallBack.h"

#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

class CConfig;
class IIatEngine;

// The voice session from key-down to the final result: starts and ends recognition, collects
// the session text and routes every result by the current voice mode (typing, search and
// commands, translation, continuous subtitles). Key messages arrive on the UI thread; results
// arrive on engine threads and are handled there.
class CVoiceSession : public IIatCallBack {
public:
    // Everything the session drives, supplied by the main window.
    struct Context {
        std::shared_ptr<CConfig> config;
        // 0 mouse, 1 pen, 2 third device.
        std::function<int()> deviceKind;
        // Voice tip: state 0 listening, 1 processing, 2 text; hide flag; hide delay.
        std::function<void(int state, const QString& text, bool hide, int delayMs)> showVoiceTip;
        std::function<void()> hideVoiceTip;
        std::function<void()> showSubtitle;
        std::function<void(const QString& text)> addSubtitleText;
        std::function<void()> startSubtitleHideTimer;
        // Types UTF-8 text into the focused window.
        std::function<void(const std::string& text)> typeText;
        // Sends the device information to the service (detached).
        std::function<void()> sendDeviceInfo;
        // Usage event: kind, first and second text (UTF-8).
        std::function<void(int kind, const std::string& first, const std::string& second)>
            recordUsageEvent;
        // The mouse is told the voice state ended and its last key is forgotten.
        std::function<void()> sendEndOfVoiceState;
        std::function<void()> resetMouseLastKey;
        // Hands the whole session text to the command handler (search and commands).
        std::function<void(const std::string& text)> handleCommand;
        // Translation with the switch on: the translation window gets text and last flag.
        std::function<void(const QString& text, bool last)> showTranslation;
        // Translation with the switch off: the final session text is translated and typed.
        std::function<void(const std::string& text)> translateAndType;
        // Continuous subtitles with saving on: the open session text file gets the text.
        std::function<void(const QString& text)> appendSessionText;
        // Continuous subtitles: the final result (last set) has been routed.
        std::function<void()> endSessionText;
    };

    static constexpr int kTipHideDelayMs = 1000;
    static constexpr int kFailureTipMs = 3000;

    explicit CVoiceSession(Context context);

    // The engine in use; none means voice keys show the tip and start nothing.
    void SetEngine(IIatEngine* engine) { m_engine.store(engine); }
    IIatEngine* Engine() const { return m_engine.load(); }

    // Voice key down (message 1127) and up (1128).
    void OnKeyDown(int voiceMode);
    void OnKeyUp();
    // The device generation is known (message 1131): 1 "v9" mouse, 0 "v6" mouse or pen.
    void OnGenerationKnown(int v9);

    int VoiceMode() const { return m_voiceMode.load(); }
    std::string SessionText() const;
    bool LastFlag() const { return m_last.load(); }
    bool EngineStarted() const { return m_engineStarted.load(); }

    // IIatCallBack
    void OnSpeechEnd() override;
    void OnResult(const char* text, bool last, std::string mode) override;
    void OnResultString(const std::string& text, bool last, std::string mode) override;
    // A streaming engine's failure (reason, 0): the tip shows what went wrong.
    void OnReserved1(std::int32_t reason, std::int32_t) override;
    void OnReserved2(std::int32_t, std::int32_t) override {}

    // The mark typed for a spoken punctuation word, or the text itself when it is none.
    static std::string ReplaceSpokenPunctuation(const std::string& text);
    // The text id of a failure reason in the language tables; empty for an unknown reason.
    static QString FailureTextId(int reason);

private:
    bool IsPenSubtitleSession() const;
    void RouteSubtitleResult(const std::string& text, bool last, const std::string& mode);
    void RouteTyping(const std::string& text);
    void RouteSearch(bool last);
    void RouteTranslation(bool last);

    Context m_context;
    std::atomic<IIatEngine*> m_engine{nullptr};
    std::atomic<int> m_voiceMode{0};
    std::atomic<bool> m_last{false};
    std::atomic<bool> m_engineStarted{false};
    // This session's engine failed: its key-up leaves the failure tip in place.
    std::atomic<bool> m_failed{false};
    mutable std::mutex m_textLock;
    std::string m_sessionText;
};
