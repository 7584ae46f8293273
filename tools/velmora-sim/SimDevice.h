#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

// A kind of device the world can plug in, with its default identity.
struct SimDeviceKind {
    const char* name;
    int vid;
    int pid;
    // Usage page of its vendor HID collection; 0 when it has none.
    int usagePage;
    // Byte 4 (resolution code) and byte 7 (generation, sensor) of the reports it sends.
    uint8_t dpiCode;
    uint8_t modelByte;
    // On the Bluetooth HID bus instead of USB: the start-up scan finds it through its hid node,
    // and hot-plug (which watches USB) never reports it.
    bool bluetooth = false;

    static const SimDeviceKind* Find(const std::string& name);
    static std::string Names(); // "mouse, mouse5698, ..." for messages
};

// The key codes of the mouse and pen protocols: NAME down / up.
std::optional<uint8_t> KeyCode(const std::string& name, bool down);

// One plugged device.
class SimDevice {
public:
    static constexpr size_t kReportSize = 32;
    // Reports kept for a device nobody has opened yet; older ones are dropped beyond this.
    static constexpr size_t kMaxQueued = 4096;

    SimDevice(int id, const SimDeviceKind& kind, int vid, int pid, std::string serial);

    int Id() const { return m_id; }
    const SimDeviceKind& Kind() const { return m_kind; }
    int Vid() const { return m_vid; }
    int Pid() const { return m_pid; }
    const std::string& Serial() const { return m_serial; }
    std::string HidPath() const { return "sim-hid:" + std::to_string(m_id); }
    // Whether its HID collection exists now: a device plugged with its node to come later has
    // none until the node appears.
    bool HasHid() const { return m_kind.usagePage != 0 && m_hidNodeReady; }
    bool HidNodeReady() const { return m_hidNodeReady; }
    void SetHidNodeReady(bool ready) { m_hidNodeReady = ready; }
    bool OnBluetooth() const { return m_kind.bluetooth; }
    // HID_ID of its hid node as udev shows it: "bus:vendor:product" in hexadecimal.
    std::string HidId() const;

    void SetDpiCode(uint8_t code) { m_dpiCode = code; }
    void SetModelByte(uint8_t model) { m_modelByte = model; }

    // A full report carrying the device's resolution and model bytes and this key code.
    std::vector<uint8_t> KeyReport(uint8_t code) const;
    // Pads to the report size; nothing when longer than that.
    static std::optional<std::vector<uint8_t>> Padded(std::vector<uint8_t> bytes);

    void Queue(std::vector<uint8_t> report);
    std::deque<std::vector<uint8_t>> TakeQueued();

private:
    int m_id;
    const SimDeviceKind& m_kind;
    int m_vid;
    int m_pid;
    std::string m_serial;
    uint8_t m_dpiCode;
    uint8_t m_modelByte;
    bool m_hidNodeReady = true;
    std::deque<std::vector<uint8_t>> m_queued;
};
