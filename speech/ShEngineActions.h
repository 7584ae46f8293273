#pragma once

#include "speech/CCallBackGate.h"
#include "speech/IEngineActions.h"

#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

class CConfig;
class CShServerList;
class CShStream;
class CWaveRecorder;
struct Endpoints;
struct ShStateFields;

// What the "sh" engine's worker does: server discovery, the shared capture and one plain
// stream per session to the discovered server.
class ShEngineActions : public IEngineActions {
public:
    struct Settings {
        std::string discoveryUrl;
        std::string appKey;
        std::string secret;
        std::chrono::milliseconds endCap{10000};

        static Settings FromEndpoints(const Endpoints& endpoints);
        // The endpoints.ini key of the first missing address or credential; empty when none.
        QString MissingKey() const;
    };

    // deviceKind and voiceMode are read at each begin.
    ShEngineActions(Settings settings, std::shared_ptr<CConfig> config, IIatCallBack* callback,
                    std::function<int()> deviceKind, std::function<int()> voiceMode);

    bool Prepare() override;
    void OnBegin() override;
    void OnEnd() override;
    void OnQuit() override;
    void OnUpdate() override {}
    void CleanUp() override;

    // The engine is going away: no report reaches the owner afterwards.
    void Shutdown();

private:
    // The owner's getters are not called once the engine is going away.
    int ReadGetter(const std::function<int()>& getter) const;

    ShStateFields StateFields() const;
    bool EnsureServer(std::string& address);

    const Settings m_settings;
    std::shared_ptr<CConfig> m_config;
    std::shared_ptr<CCallBackGate> m_callback;
    std::function<int()> m_deviceKind;
    mutable std::mutex m_getterLock; // held while a getter runs and while they are dropped
    std::function<int()> m_voiceMode;
    CWaveRecorder& m_capture;
    std::shared_ptr<CShServerList> m_servers;
    std::shared_ptr<CShStream> m_stream;
};
