#pragma once

#include <QString>

#include <optional>

// The parts of a device instance id "USB\VID_xxxx&PID_xxxx\serial", upper case.
struct DeviceInstanceId {
    QString vid;
    QString pid;
    QString serial;

    // Nothing unless the id begins with "USB" and has four characters after "VID_" and "PID_".
    static std::optional<DeviceInstanceId> Parse(const QString& instanceId);
    // The instance id inside a device interface name: the "\\?\" prefix and the interface
    // class after the last "#" dropped, the remaining "#" turned into "\".
    static QString FromInterfaceName(const QString& interfaceName);
};
