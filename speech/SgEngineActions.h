#pragma once

#include "speech/CCallBackGate.h"
#include "speech/IEngineActions.h"

#include <QString>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

class CSgStream;
class CSgTokenSource;
class CWaveRecorder;
struct Endpoints;

// What the "sg" engine's worker does: the token, the wait for the Dravel microphone, the
// shared capture and one TLS stream per session.
class SgEngineActions : public IEngineActions {
public:
    struct Settings {
        std::string tokenUrl;
        std::string streamUrl;
        std::string appId;
        std::string appKey;
        std::string caFile;
        std::chrono::milliseconds endCap{10000};

        static Settings FromEndpoints(const Endpoints& endpoints);
        // The endpoints.ini key of the first missing address or credential; empty when none.
        QString MissingKey() const;
    };

    // voiceMode reads the owner's current voice mode at each begin.
    SgEngineActions(Settings settings, IIatCallBack* callback, std::function<int()> voiceMode);

    bool Prepare() override;
    void OnBegin() override;
    void OnEnd() override;
    void OnQuit() override;
    void OnUpdate() override {}
    void CleanUp() override;

    // A quit is on its way: a worker still waiting for the microphone gives up, or a later
    // Start would wait behind it for ever.
    void RequestQuit();
    // The engine is going away: no report reaches the owner afterwards.
    void Shutdown();

private:
    // The owner's getters are not called once the engine is going away.
    int ReadGetter(const std::function<int()>& getter) const;

    bool WaitForDravel();
    bool QuitSince(int requests) const;

    const Settings m_settings;
    std::shared_ptr<CCallBackGate> m_callback;
    mutable std::mutex m_getterLock; // held while a getter runs and while they are dropped
    std::function<int()> m_voiceMode;
    CWaveRecorder& m_capture;
    std::shared_ptr<CSgTokenSource> m_token;
    std::shared_ptr<CSgStream> m_stream;

    mutable std::mutex m_quitLock;
    std::condition_variable m_quitRequested;
    int m_quitRequests = 0;
};
