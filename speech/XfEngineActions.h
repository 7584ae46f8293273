#pragma once

#include "speech/CCallBackGate.h"
#include "speech/CSpeechRecognizer.h"
#include "speech/CXfLiveStream.h"
#include "speech/IEngineActions.h"

#include <functional>
#include <memory>
#include <string>

class CConfig;
class CWaveRecorder;
class IIatCallBack;

// What the SDK engine's worker does: the recogniser's session on its own recorder, and beside
// it the shared capture with the first vendor's live stream.
class XfEngineActions : public IEngineActions {
public:
    // deviceKind reads the current device kind (0 mouse, 1 pen) whenever parameters are chosen.
    XfEngineActions(std::shared_ptr<CConfig> config, IIatCallBack* callback,
                    std::function<int()> deviceKind, XfStreamSettings streamSettings);

    bool Prepare() override;
    void OnBegin() override;
    void OnEnd() override;
    void OnQuit() override;
    void OnUpdate() override;
    void CleanUp() override;

    // RestartRecognize: the next begin opens a new session even while one is marked open.
    void ForgetListening();
    // The engine is going away: closes the live stream and waits for its threads, and lets
    // no report reach the owner afterwards, from whichever engine thread it would come.
    void Shutdown();

    // The text the next session begins with.
    std::string SessionParams() const;
    // Result of the last StartListening / StopListening.
    int LastStartResult() const { return m_lastStart; }
    int LastStopResult() const { return m_lastStop; }

private:
    std::string CurrentParams() const;

    std::shared_ptr<CConfig> m_config;
    // Every engine thread reports through the gate, never to the owner directly.
    std::shared_ptr<CCallBackGate> m_callback;
    std::function<int()> m_deviceKind;
    CWaveRecorder& m_capture;
    CXfLiveStream m_liveStream;
    CSpeechRecognizer m_recognizer;
    std::atomic<int> m_lastStart{0};
    std::atomic<int> m_lastStop{0};
};
