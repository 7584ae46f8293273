#pragma once

#include "speech/CEngineWorker.h"
#include "speech/IIatEngine.h"

#include <functional>
#include <memory>

class CConfig;
class IIatCallBack;
class XfEngineActions;
struct XfStreamSettings;

// The engine for "xf": the local recognition library's sessions plus the first vendor's live
// stream, both reporting through the owner's IIatCallBack on engine threads.
class CXfEngine : public IIatEngine {
public:
    // callback must outlive the engine. deviceKind reads the current device kind.
    CXfEngine(std::shared_ptr<CConfig> config, IIatCallBack* callback,
              std::function<int()> deviceKind);
    CXfEngine(std::shared_ptr<CConfig> config, IIatCallBack* callback,
              std::function<int()> deviceKind, const XfStreamSettings& streamSettings);
    // Quits a running worker and waits a little for it, then closes the live stream and waits
    // for its threads: once it returns no engine thread reports to the owner.
    ~CXfEngine() override;

    void Login() override;
    void Logout() override;
    void Start() override;
    void Quit() override;
    void BeginRecognize() override;
    void EndRecognize() override;
    void UpdateParams() override;
    void RestartRecognize() override;

    bool IsRunning() const { return m_worker.IsRunning(); }

private:
    std::shared_ptr<XfEngineActions> m_actions;
    CEngineWorker m_worker;
};
