#pragma once

#include "app/CConfig.h"

#include <QString>

#include <cstdint>
#include <vector>

// One thing a report makes the program do, in order: store a setting or post a message.
struct DeviceEffect {
    enum class Type { Post, Store };
    Type type = Type::Post;
    unsigned msg = 0;
    uintptr_t wParam = 0;
    ConfigKey key = ConfigKey::Count;
    QString value;

    static DeviceEffect Post(unsigned msg, uintptr_t wParam) {
        DeviceEffect e;
        e.type = Type::Post;
        e.msg = msg;
        e.wParam = wParam;
        return e;
    }
    static DeviceEffect Store(ConfigKey key, const QString& value) {
        DeviceEffect e;
        e.type = Type::Store;
        e.key = key;
        e.value = value;
        return e;
    }
    bool operator==(const DeviceEffect& o) const {
        return type == o.type && (type == Type::Post ? msg == o.msg && wParam == o.wParam
                                                     : key == o.key && value == o.value);
    }
};

using DeviceEffects = std::vector<DeviceEffect>;
