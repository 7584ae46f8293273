#include "device/DeviceInstanceId.h"

namespace {
// The serial starts where it does in USB\VID_xxxx&PID_xxxx\serial.
constexpr int kSerialStart = 22;
constexpr int kSerialMaxLength = 34;

std::optional<QString> IdAfter(const QString& text, const QString& marker) {
    const int at = text.indexOf(marker);
    if (at < 0 || at + marker.size() + 4 > text.size())
        return std::nullopt;
    return text.mid(at + marker.size(), 4);
}
} // namespace

std::optional<DeviceInstanceId> DeviceInstanceId::Parse(const QString& instanceId) {
    const QString id = instanceId.toUpper();
    if (!id.startsWith(QLatin1String("USB")))
        return std::nullopt;
    auto vid = IdAfter(id, QStringLiteral("VID_"));
    auto pid = IdAfter(id, QStringLiteral("PID_"));
    if (!vid || !pid)
        return std::nullopt;
    DeviceInstanceId parsed;
    parsed.vid = *vid;
    parsed.pid = *pid;
    parsed.serial = id.mid(kSerialStart, kSerialMaxLength);
    return parsed;
}

QString DeviceInstanceId::FromInterfaceName(const QString& interfaceName) {
    QString name = interfaceName.mid(4);
    const int lastHash = name.lastIndexOf(QLatin1Char('#'));
    if (lastHash >= 0)
        name.truncate(lastHash);
    name.replace(QLatin1Char('#'), QLatin1Char('\\'));
    return name.toUpper();
}
