#pragma once

#include "speech/EngineReports.h"

#include <memory>
#include <mutex>
#include <string>

// The third vendor's streaming server: one entry, picked at random, of the list its discovery
// address returns. Safe from any thread.
class CShServerList {
public:
    explicit CShServerList(std::string discoveryUrl);

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
    mutable std::mutex m_lock;
    std::string m_address;
};
