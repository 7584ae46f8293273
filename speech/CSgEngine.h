#pragma once

#include "speech/CEngineWorker.h"
#include "speech/IIatEngine.h"
#include "speech/SgEngineActions.h"

#include <functional>
#include <memory>

class CConfig;
class IIatCallBack;

// The engine for "sg": the second vendor's streaming recognition over TLS, with a token from its
// token service, recording through the Dravel microphone.
// Results reach the owner through OnResultString, failures through OnReserved1.
class CSgEngine : public IIatEngine {
public:
    // callback must outlive the engine; the getters are read on the worker thread.
    CSgEngine(IIatCallBack* callback, std::function<int()> voiceMode);
    CSgEngine(IIatCallBack* callback, std::function<int()> voiceMode,
              const SgEngineActions::Settings& settings);
    // Quits a running worker and waits a little for it, then closes the stream and waits for
    // its threads: once it returns no engine thread reports to the owner.
    ~CSgEngine() override;

    void Login() override {}
    void Logout() override {}
    void Start() override;
    void Quit() override;
    void BeginRecognize() override;
    void EndRecognize() override;
    void UpdateParams() override {}
    void RestartRecognize() override {}

    bool IsRunning() const { return m_worker.IsRunning(); }

private:
    std::shared_ptr<SgEngineActions> m_actions;
    CEngineWorker m_worker;
};
