#include "platform/NetworkAdapter.h"

#include <ifaddrs.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstdio>

namespace platform {

namespace {

// Link-layer entries carry the adapter's hardware address; a six-byte one that is not all
// zeros is a real Ethernet or Wi-Fi adapter (tunnels and the loopback have none).
bool HasHardwareAddress(const ifaddrs& entry) {
    if (!entry.ifa_addr || entry.ifa_addr->sa_family != AF_PACKET ||
        (entry.ifa_flags & IFF_LOOPBACK))
        return false;
    const auto* link = reinterpret_cast<const sockaddr_ll*>(entry.ifa_addr);
    return link->sll_halen == 6 &&
           std::any_of(link->sll_addr, link->sll_addr + 6, [](unsigned char b) { return b != 0; });
}

QString FormatMac(const unsigned char* bytes) {
    char text[18];
    std::snprintf(text, sizeof(text), "%02X-%02X-%02X-%02X-%02X-%02X", bytes[0], bytes[1], bytes[2],
                  bytes[3], bytes[4], bytes[5]);
    return QString::fromLatin1(text);
}

} // namespace

QString FirstAdapterMac() {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return QString();
    QString mac;
    for (const ifaddrs* entry = list; entry; entry = entry->ifa_next) {
        if (HasHardwareAddress(*entry)) {
            mac = FormatMac(reinterpret_cast<const sockaddr_ll*>(entry->ifa_addr)->sll_addr);
            break;
        }
    }
    freeifaddrs(list);
    return mac;
}

} // namespace platform
