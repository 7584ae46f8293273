#include "platform/NetworkPresence.h"

#include "platform/SimEvents.h"
#include "platform/sim/SimClient.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <sys/socket.h>

namespace platform {

namespace {

bool InterfaceIsOnline() {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return false;
    bool online = false;
    for (const ifaddrs* entry = list; entry && !online; entry = entry->ifa_next) {
        const bool up = (entry->ifa_flags & IFF_UP) && !(entry->ifa_flags & IFF_LOOPBACK);
        const bool hasAddress = entry->ifa_addr && (entry->ifa_addr->sa_family == AF_INET ||
                                                    entry->ifa_addr->sa_family == AF_INET6);
        online = up && hasAddress;
    }
    freeifaddrs(list);
    return online;
}

bool SimulatorIsOnline() {
    Json::Value request;
    request["op"] = "network_state";
    const Json::Value reply = sim::SimClient::Control().Request(request, 2000);
    return reply.get("online", false).asBool();
}

} // namespace

bool IsOnline() {
    return SimulatorActive() ? SimulatorIsOnline() : InterfaceIsOnline();
}

} // namespace platform
