#pragma once

#include "ui/framework/WindowConstants.h"

#include <cstdint>
#include <functional>

// Custom window messages the device link posts to the main window.
namespace devmsg {
constexpr unsigned kUser = ui::WM_USER;
constexpr unsigned kMousePresence = kUser + 100;    // 1124, wParam 1 arrival / 0 removal
constexpr unsigned kRecorderPresence = kUser + 101; // 1125
constexpr unsigned kPenPresence = kUser + 102;      // 1126
constexpr unsigned kVoiceKeyDown = kUser + 103;     // 1127, wParam voice mode
constexpr unsigned kVoiceKeyUp = kUser + 104;       // 1128
constexpr unsigned kNotice = kUser + 105;           // 1129, wParam notice id
constexpr unsigned kGeneration = kUser + 107;       // 1131, 0 "v6" or pen, 1 "v9"
constexpr unsigned kSensor = kUser + 108;           // 1132
constexpr unsigned kSerialKnown = kUser + 128;      // 1152
constexpr unsigned kArrowKey = kUser + 129;         // 1153, 1 up / 2 down
constexpr unsigned kLaser = kUser + 130;            // 1154, 1 on / 2 off
constexpr unsigned kMagnifier = kUser + 131;        // 1155, 1 on / 2 off
constexpr unsigned kRecordingStart = kUser + 135;   // 1159
constexpr unsigned kRecordingStop = kUser + 136;    // 1160

constexpr uintptr_t kNoticeBatteryLow = 4;
constexpr uintptr_t kNoticeTypingMode = 5;
constexpr uintptr_t kNoticeTranslationTypingMode = 6;
} // namespace devmsg

// Delivers one message to the main window; must be callable from any thread.
using MessagePoster = std::function<void(unsigned msg, uintptr_t wParam, intptr_t lParam)>;
