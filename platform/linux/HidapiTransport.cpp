#include "platform/linux/HidapiTransport.h"

#include <hidapi.h>

#include <cerrno>
#include <mutex>
#include <unistd.h>

namespace platform::native {

namespace {

std::string Narrow(const wchar_t* text) {
    std::string out;
    if (!text)
        return out;
    for (; *text; ++text)
        out += (*text < 0x80) ? static_cast<char>(*text) : '?';
    return out;
}

class HidapiDevice : public IHidDevice {
public:
    explicit HidapiDevice(hid_device* handle) : m_handle(handle) {}
    ~HidapiDevice() override { hid_close(m_handle); }
    HidapiDevice(const HidapiDevice&) = delete;
    HidapiDevice& operator=(const HidapiDevice&) = delete;

    int Read(uint8_t* data, size_t length, int timeoutMs) override {
        return hid_read_timeout(m_handle, data, length, timeoutMs);
    }

    int SendOutputReport(const uint8_t* data, size_t length) override {
        // On hidraw a write is an output report; the first byte is the report id.
        return hid_write(m_handle, data, length);
    }

private:
    hid_device* m_handle;
};

HidOpenError ReasonOpenFailed(const std::string& path) {
    if (::access(path.c_str(), F_OK) != 0)
        return HidOpenError::NotFound;
    if (::access(path.c_str(), R_OK | W_OK) != 0 && (errno == EACCES || errno == EPERM))
        return HidOpenError::PermissionDenied;
    return HidOpenError::Other;
}

} // namespace

HidapiTransport::HidapiTransport() {
    static std::once_flag once;
    std::call_once(once, [] { hid_init(); });
}

std::vector<HidDeviceInfo> HidapiTransport::Enumerate(int vendorId, int productId) {
    std::vector<HidDeviceInfo> found;
    hid_device_info* list = hid_enumerate(static_cast<unsigned short>(vendorId),
                                          static_cast<unsigned short>(productId));
    for (hid_device_info* item = list; item; item = item->next) {
        HidDeviceInfo info;
        info.path = item->path ? item->path : "";
        info.vendorId = item->vendor_id;
        info.productId = item->product_id;
        info.releaseNumber = item->release_number;
        info.interfaceNumber = item->interface_number;
        info.usagePage = item->usage_page;
        info.usage = item->usage;
        info.serial = Narrow(item->serial_number);
        found.push_back(std::move(info));
    }
    hid_free_enumeration(list);
    return found;
}

std::unique_ptr<IHidDevice> HidapiTransport::OpenPath(const std::string& path,
                                                      HidOpenError& error) {
    hid_device* handle = hid_open_path(path.c_str());
    if (!handle) {
        error = ReasonOpenFailed(path);
        return nullptr;
    }
    error = HidOpenError::None;
    return std::make_unique<HidapiDevice>(handle);
}

} // namespace platform::native
