#pragma once

#include <QIcon>
#include <QString>

// Icon resource numbers used by the windows and the tray.
namespace ui {
constexpr int kIconOnline = 107;  // a device is connected
constexpr int kIconOffline = 133; // no device
} // namespace ui

// The skin picture of an icon resource number; empty for an unknown number.
QString SkinIconPath(int resourceId);
QIcon SkinIcon(int resourceId);
