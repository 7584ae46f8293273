#include "SimDevice.h"

#include <cstdio>
#include <utility>

namespace {
const SimDeviceKind kKinds[] = {
    // name, vid, pid, usage page, dpi code, model byte (generation 1 "v9", sensor 2 "3212"),
    // on the Bluetooth bus
    {"mouse", 0x6352, 0xC098, 0xFF01, 42, 0x0A},
    {"mouse5698", 0x5698, 0x8723, 0xFF02, 32, 0x0A},
    {"btmouse", 0x10D6, 0xB006, 0xFF01, 0, 0, true},
    {"pen", 0xB75C, 0xA217, 0xFF01, 0, 0},
    {"recorder", 0x04D6, 0xE101, 0, 0, 0},
};

struct KeyEntry {
    const char* name;
    uint8_t down;
    uint8_t up;
};

const KeyEntry kKeys[] = {
    {"voice1", 0x21, 0x22}, {"voice2", 0x23, 0x24}, {"voice3", 0x25, 0x26},
    {"record", 0x18, 0x20}, {"laser", 0x27, 0x28},  {"laser2", 0x53, 0x54},
    {"up", 0x31, 0x32},     {"down", 0x33, 0x34},   {"magnifier", 0x29, 0x30},
};
} // namespace

const SimDeviceKind* SimDeviceKind::Find(const std::string& name) {
    for (const SimDeviceKind& kind : kKinds) {
        if (name == kind.name)
            return &kind;
    }
    return nullptr;
}

std::string SimDeviceKind::Names() {
    std::string names;
    for (const SimDeviceKind& kind : kKinds)
        names += (names.empty() ? "" : ", ") + std::string(kind.name);
    return names;
}

std::optional<uint8_t> KeyCode(const std::string& name, bool down) {
    for (const KeyEntry& key : kKeys) {
        if (name == key.name)
            return down ? key.down : key.up;
    }
    return std::nullopt;
}

SimDevice::SimDevice(int id, const SimDeviceKind& kind, int vid, int pid, std::string serial)
    : m_id(id), m_kind(kind), m_vid(vid), m_pid(pid), m_serial(std::move(serial)),
      m_dpiCode(kind.dpiCode), m_modelByte(kind.modelByte) {}

std::string SimDevice::HidId() const {
    constexpr int kBusUsb = 0x0003;
    constexpr int kBusBluetooth = 0x0005;
    char text[32];
    std::snprintf(text, sizeof(text), "%04X:%08X:%08X", OnBluetooth() ? kBusBluetooth : kBusUsb,
                  static_cast<unsigned>(m_vid), static_cast<unsigned>(m_pid));
    return text;
}

std::vector<uint8_t> SimDevice::KeyReport(uint8_t code) const {
    std::vector<uint8_t> report(kReportSize, 0);
    report[0] = 0x0A;
    report[4] = m_dpiCode;
    report[5] = code;
    report[7] = m_modelByte;
    return report;
}

std::optional<std::vector<uint8_t>> SimDevice::Padded(std::vector<uint8_t> bytes) {
    if (bytes.empty() || bytes.size() > kReportSize)
        return std::nullopt;
    bytes.resize(kReportSize, 0);
    return bytes;
}

void SimDevice::Queue(std::vector<uint8_t> report) {
    if (m_queued.size() >= kMaxQueued)
        m_queued.pop_front();
    m_queued.push_back(std::move(report));
}

std::deque<std::vector<uint8_t>> SimDevice::TakeQueued() {
    return std::exchange(m_queued, {});
}
