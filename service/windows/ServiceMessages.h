#pragma once

#include "ui/framework/WindowConstants.h"

// Window messages of the account, settings and colour windows.
namespace svcmsg {
constexpr unsigned kSignedIn = ui::WM_USER + 114; // 1138: worker → window → main window
constexpr unsigned kCountryCodesReady = ui::WM_USER + 115; // 1139: worker → its window
constexpr unsigned kFeedbackDone = ui::WM_USER + 126;      // 1150: feedback worker → its window
constexpr unsigned kSignedOut = ui::WM_USER + 127;         // 1151: → main window
constexpr unsigned kLaserColour = ui::WM_USER + 133;       // 1157: lp_color changed
constexpr unsigned kSubtitleColour = ui::WM_USER + 134;    // 1158: lp_subtitleColor changed
constexpr unsigned kAreaChosen = ui::WM_USER + 137;        // 1161: wParam = the calling code
} // namespace svcmsg

// Usage events these windows record.
namespace svcusage {
constexpr int kUiLanguage = 18;
constexpr int kAutoStartOn = 19;
constexpr int kAutoStartOff = 20;
constexpr int kFeedback = 26;
} // namespace svcusage
