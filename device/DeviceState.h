#pragma once

#include <atomic>
#include <cstdint>

// Device kinds, as the main window's device chooser indexes them.
enum DeviceKind : int { kDeviceMouse = 0, kDevicePen = 1, kDeviceRecorder = 2 };

// The run-time state of the device link, shared by the UI thread, the hot-plug watcher and
// the reading threads. Owned by the application object; threads hold it through a shared_ptr.
struct DeviceState {
    std::atomic<bool> mousePresent{false};
    std::atomic<bool> penPresent{false};
    std::atomic<bool> recorderPresent{false};
    // The Bluetooth mouse model was found (set together with mousePresent).
    std::atomic<bool> bluetoothMouse{false};
    // The mouse last opened is the model with the second report layout.
    std::atomic<bool> secondLayout{false};

    // Set while the thread is not running.
    std::atomic<bool> mouseStop{true};
    std::atomic<bool> penStop{true};
    // Bumped at every thread start, so a thread that has not yet noticed its stop flag ends
    // even when a successor cleared the flag again.
    std::atomic<uint32_t> mouseRun{0};
    std::atomic<uint32_t> penRun{0};

    // Key code the mouse thread last acted on; speech-end handling resets it to 0 so that a
    // key still held starts a new session.
    std::atomic<int> mouseLastKey{0};

    std::atomic<int> currentKind{kDeviceMouse};
};
