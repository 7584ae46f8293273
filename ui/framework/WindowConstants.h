#pragma once

#include <cstdint>

// Numbers kept from the window system the program was first written for, so message tables,
// style tables and the simulator's event stream read the same everywhere.
namespace ui {

constexpr unsigned WM_USER = 0x0400;
constexpr unsigned WM_TRAY = WM_USER + 1; // 1025: tray icon callback

// Mouse messages carried in the tray callback's lParam.
constexpr intptr_t WM_LBUTTONUP = 514;
constexpr intptr_t WM_LBUTTONDBLCLK = 515;
constexpr intptr_t WM_RBUTTONUP = 517;

// Window styles.
constexpr uint32_t WS_POPUP = 0x80000000u;
constexpr uint32_t WS_CHILD = 0x40000000u;
constexpr uint32_t WS_VISIBLE = 0x10000000u;
constexpr uint32_t WS_CAPTION = 0x00C00000u;
constexpr uint32_t WS_BORDER = 0x00800000u;
constexpr uint32_t WS_SYSMENU = 0x00080000u;
constexpr uint32_t WS_THICKFRAME = 0x00040000u;
constexpr uint32_t WS_MINIMIZEBOX = 0x00020000u;
constexpr uint32_t WS_MAXIMIZEBOX = 0x00010000u;

// Extended window styles.
constexpr uint32_t WS_EX_TOPMOST = 0x00000008u;
constexpr uint32_t WS_EX_TRANSPARENT = 0x00000020u;
constexpr uint32_t WS_EX_TOOLWINDOW = 0x00000080u;
constexpr uint32_t WS_EX_LAYERED = 0x00080000u;
constexpr uint32_t WS_EX_NOACTIVATE = 0x08000000u;

// Modal results handed to Close().
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

} // namespace ui
