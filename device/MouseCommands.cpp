#include "device/MouseCommands.h"

#include "app/CConfig.h"
#include "device/DeviceContext.h"
#include "device/DeviceOpen.h"
#include "device/MouseReport.h"

#include <array>
#include <chrono>

using namespace mousereport;

namespace {

bool Send(platform::IHidDevice& device, const Report& report) {
    return device.SendOutputReport(report.data(), report.size()) >= 0;
}

int SensorFromSetting(const QString& photoIC) {
    return photoIC == QLatin1String("3212") ? kSensor3212 : kSensor3205;
}

// The sensor from the first vendor report within waitMs; the interface's other reports (a
// dongle's keyboard or consumer keys) say nothing about it and are passed over.
int ReadSensor(platform::IHidDevice& device, int waitMs, const QString& storedPhotoIC) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(waitMs);
    std::array<uint8_t, kReadBufferSize> buffer{};
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() < 0)
            break;
        buffer.fill(0);
        buffer[0] = kReportId;
        const int n = device.Read(buffer.data(), kReportSize, static_cast<int>(left.count()));
        if (n <= 0)
            break;
        if (IsVendorReport(buffer.data(), static_cast<size_t>(n)) &&
            n > static_cast<int>(kModelByte))
            return SensorOf(buffer[kModelByte]);
    }
    return SensorFromSetting(storedPhotoIC);
}

} // namespace

bool SendDpiToMouse(DeviceContext& context, const QString& dpi, int sensorWaitMs) {
    bool secondLayout = false;
    auto device = OpenMouse(context, &secondLayout);
    if (!device)
        return false;
    const int sensor = ReadSensor(*device, sensorWaitMs, context.Config().GetPhotoIC());
    return Send(*device, SetResolution(secondLayout, sensor, dpi));
}

bool SendWebKeyToMouse(DeviceContext& context) {
    auto device = OpenMouse(context);
    if (!device)
        return false;
    return Send(*device, WebPageKey(context.Config().Get(ConfigKey::Url) == QLatin1String("on")));
}

bool SendEndOfVoiceState(DeviceContext& context) {
    bool secondLayout = false;
    auto device = OpenMouse(context, &secondLayout);
    if (!device)
        return false;
    return Send(*device, EndOfVoiceState(secondLayout));
}

bool SendCtrlVByMouse(DeviceContext& context) {
    bool secondLayout = false;
    auto device = OpenMouse(context, &secondLayout);
    if (!device)
        return false;
    return Send(*device, TypeCtrlV(secondLayout));
}
