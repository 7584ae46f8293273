#pragma once

#include "service/CHttpClient.h"
#include "speech/EngineReports.h"

#include <memory>
#include <mutex>
#include <string>

// The third vendor's streaming server: one entry, picked at random, of the list its discovery
// address returns. Safe from any thread.
class CShServerList {
public:
    // limits: connect / total seconds of the discovery request.
    explicit CShServerList(std::string discoveryUrl, HttpLimits limits = {3, 3});

    // Empty until a discovery succeeded, or after Forget.
    std::string Address() const;
    void Forget();
    // Asks the discovery address now (synchronously, at most 3 s); a failure leaves the
    // address as it was.
    bool Discover(enginereport::Failure& failure);
    // The same on a detached thread that shares the list; a failure is only logged.
    static void DiscoverDetached(const std::shared_ptr<CShServerList>& list);

private:
    const std::string m_discoveryUrl;
    const HttpLimits m_limits;
    mutable std::mutex m_lock;
    std::string m_address;
};
