#pragma once

#include <QString>
#include <QStringList>

namespace platform {

// The XDG application directories, most important first: $XDG_DATA_HOME/applications
// (default ~/.local/share), then each $XDG_DATA_DIRS entry's applications (default
// /usr/local/share:/usr/share). Relative entries are ignored, as the base-directory rules
// say. Each ends without "/".
QStringList ApplicationDirs();

// The desktop file of an installed application by desktop-file id ("org.gnome.Calculator
// .desktop"; "-" may stand for a sub-folder), first application directory first. Empty when
// none exists.
QString FindDesktopFile(const QString& id);

// Whether the file lies in an application directory: directly, or at any depth when
// `directly` is false. Paths are compared after resolving links.
bool IsInApplicationDir(const QString& path, bool directly);

// The desktop-file id of the default application for a MIME type, from the mimeapps.list
// files in XDG lookup order (config dirs before data dirs); the first listed id that is
// installed. Empty if none.
QString DefaultApplicationFor(const QString& mimeType);

// The first installed application, by desktop-file id, whose Categories hold every one of
// `categories` and that can be launched. Empty when none.
QString FirstApplicationWithCategories(const QStringList& categories);

} // namespace platform
