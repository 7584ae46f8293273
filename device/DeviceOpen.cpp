#include "device/DeviceOpen.h"

#include "app/CConfig.h"
#include "device/DeviceContext.h"
#include "device/HidOpenExt.h"

namespace {
constexpr int kAny = -1;
constexpr int kVendorPage = 0xFF01;
constexpr int kSecondLayoutPage = 0xFF02;

struct OpenEntry {
    const char* vid;
    int vendorId;
    int productId;
    int usagePage;
};

const OpenEntry kMouseOpen[] = {
    {"6352", 0x6352, 0xC098, kVendorPage}, {"B75C", 0xB75C, 0x92CD, kVendorPage},
    {"3CDE", 0x3CDE, 0xA217, kVendorPage}, {"95F1", 0x95F1, 0xA1B6, kVendorPage},
    {"A5C4", 0xA5C4, 0xCD06, kVendorPage}, {"5698", 0x5698, 0x8723, kSecondLayoutPage},
};

const OpenEntry kPenOpen[] = {
    {"B75C", 0xB75C, 0xA217, kVendorPage},
    {"6352", 0x6352, 0xA317, kVendorPage},
};

template <size_t N> const OpenEntry* FindEntry(const OpenEntry (&table)[N], const QString& vid) {
    for (const OpenEntry& entry : table) {
        if (vid == QLatin1String(entry.vid))
            return &entry;
    }
    return nullptr;
}

std::unique_ptr<platform::IHidDevice> OpenEntryDevice(DeviceContext& context,
                                                      const OpenEntry* entry) {
    if (!entry)
        return nullptr;
    return hid_open_ext(context.Transport(), entry->vendorId, entry->productId, kAny, kAny, kAny,
                        entry->usagePage, 0);
}
} // namespace

std::unique_ptr<platform::IHidDevice> OpenMouse(DeviceContext& context, bool* secondLayout) {
    context.State().secondLayout = false;
    const OpenEntry* entry = FindEntry(kMouseOpen, context.Config().GetVid());
    const bool second = entry && entry->usagePage == kSecondLayoutPage;
    if (second)
        context.State().secondLayout = true;
    if (secondLayout)
        *secondLayout = second;
    return OpenEntryDevice(context, entry);
}

std::unique_ptr<platform::IHidDevice> OpenPen(DeviceContext& context) {
    return OpenEntryDevice(context, FindEntry(kPenOpen, context.Config().GetLpVid()));
}
