#pragma once

#include "service/CHttpClient.h"
#include "speech/EngineReports.h"

#include <chrono>
#include <mutex>
#include <optional>
#include <string>

// The second vendor's access token: asked of the token service, kept for 3000 s of the 3600 s
// it is asked to last, and forgotten when the vendor refuses it. Safe from any thread.
class CSgTokenSource {
public:
    struct Settings {
        std::string url; // the token service's full address
        std::string appId;
        std::string appKey;
        HttpLimits limits{2, 3}; // connect / total seconds
    };

    explicit CSgTokenSource(Settings settings);

    // The installation id: a random version-4 UUID made once per process, lower-case with
    // hyphens.
    static const std::string& InstallationId();

    // The kept token while it is young enough, else a new one; none with the reason why.
    std::optional<std::string> Fresh(enginereport::Failure& failure);
    // Asks the service now (synchronously, at most 3 s).
    bool Request(enginereport::Failure& failure);
    void Forget();

    static constexpr std::chrono::seconds kRenewAfter{3000};

private:
    const Settings m_settings;
    mutable std::mutex m_lock;
    std::string m_token;
    std::chrono::steady_clock::time_point m_obtained;
};
