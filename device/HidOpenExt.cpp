#include "device/HidOpenExt.h"

#include "app/Log.h"

#include <QString>

#include <algorithm>
#include <cctype>
#include <mutex>
#include <set>

namespace {

bool Matches(int wanted, int actual) {
    return wanted == -1 || wanted == actual;
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

void WarnPermissionOnce(const std::string& path, int vendorId, int productId) {
    static std::mutex lock;
    static std::set<std::string> warned;
    std::lock_guard<std::mutex> guard(lock);
    if (!warned.insert(path).second)
        return;
    applog::Warning(QStringLiteral("No permission to open HID device %1 (%2:%3); install the "
                                   "udev rule %4 (in /etc/udev/rules.d) and plug it in again")
                        .arg(QString::fromStdString(path))
                        .arg(vendorId, 4, 16, QLatin1Char('0'))
                        .arg(productId, 4, 16, QLatin1Char('0'))
                        .arg(QLatin1String(VelmoraUdevRuleFile())));
}

} // namespace

int HidPathNumber(const std::string& path, const std::string& marker) {
    const std::string lower = Lower(path);
    const size_t at = lower.find(marker);
    if (at == std::string::npos)
        return -1;
    size_t pos = at + marker.size();
    int value = 0;
    int digits = 0;
    while (pos < lower.size() && std::isxdigit(static_cast<unsigned char>(lower[pos])) &&
           digits < 4) {
        char c = lower[pos++];
        value = value * 16 + (std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : c - 'a' + 10);
        ++digits;
    }
    return digits ? value : -1;
}

std::unique_ptr<platform::IHidDevice> hid_open_ext(platform::IHidTransport& transport, int vendorId,
                                                   int productId, int release, int interfaceNumber,
                                                   int collection, int usagePage, int usage) {
    for (const platform::HidDeviceInfo& info : transport.Enumerate(vendorId, productId)) {
        int iface = HidPathNumber(info.path, "&mi_");
        if (iface < 0)
            iface = info.interfaceNumber;
        if (info.vendorId != vendorId || info.productId != productId ||
            !Matches(release, info.releaseNumber) || !Matches(interfaceNumber, iface) ||
            !Matches(collection, HidPathNumber(info.path, "&col")) ||
            !Matches(usagePage, info.usagePage) || !Matches(usage, info.usage))
            continue;
        platform::HidOpenError error = platform::HidOpenError::None;
        auto device = transport.OpenPath(info.path, error);
        if (!device && error == platform::HidOpenError::PermissionDenied)
            WarnPermissionOnce(info.path, vendorId, productId);
        return device;
    }
    return nullptr;
}
