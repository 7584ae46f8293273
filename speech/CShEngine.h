#pragma once

#include "speech/CEngineWorker.h"
#include "speech/IIatEngine.h"
#include "speech/ShEngineActions.h"

#include <functional>
#include <memory>

class CConfig;
class IIatCallBack;

// The engine for "sh": the third vendor's streaming recognition on a server its discovery
// address names, with signed start and stop messages.
// Results reach the owner through OnResultString, failures through OnReserved1.
class CShEngine : public IIatEngine {
public:
    // callback must outlive the engine; the getters are read on the worker thread.
    CShEngine(std::shared_ptr<CConfig> config, IIatCallBack* callback,
              std::function<int()> deviceKind, std::function<int()> voiceMode);
    CShEngine(std::shared_ptr<CConfig> config, IIatCallBack* callback,
              std::function<int()> deviceKind, std::function<int()> voiceMode,
              const ShEngineActions::Settings& settings);
    // Quits a running worker and waits a little for it, then closes the stream and waits for
    // its threads: once it returns no engine thread reports to the owner.
    ~CShEngine() override;

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
    std::shared_ptr<ShEngineActions> m_actions;
    CEngineWorker m_worker;
};
