#pragma once

#include <QString>

namespace platform {

// Shows an existing folder in the desktop's file manager, with the folder selected: the
// freedesktop.org FileManager1 ShowItems call on the session bus (made by dbus-send from an
// argument vector), or, when no file manager answers it, the folder handed to the desktop
// through OpenTarget. Nothing goes through a shell and the caller never waits: the answer is
// taken later on the calling thread, which must run a Qt event loop (the UI thread). `via`
// names the caller in OpenTarget's reports.
void ShowFolderInFileManager(const QString& folder, const QString& via);

} // namespace platform
