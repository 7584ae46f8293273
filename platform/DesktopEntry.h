#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace platform {

// The keys of a desktop file's [Desktop Entry] group that launching needs, read as the
// freedesktop.org desktop-entry format has them (string escapes decoded, localised keys
// ignored).
struct DesktopEntry {
    QString path;
    QString type;
    QString exec;
    QString tryExec;
    bool hidden = false;
    bool terminal = false;
    QStringList categories;
};

// Reads a desktop file; nothing when it cannot be read, is too large or has no
// [Desktop Entry] group.
std::optional<DesktopEntry> ReadDesktopEntry(const QString& path);

// Splits an Exec value into arguments: blanks separate, double quotes group (inside them \",
// \`, \$ and \\ stand for the character), field codes are dropped and %% becomes %. Nothing
// for an unbalanced quote or an empty command.
std::optional<QStringList> SplitExec(const QString& exec);

// The argument vector that starts the entry, program resolved to an absolute path through
// PATH: only for Type=Application entries that are not Hidden, need no terminal and whose
// TryExec (when given) is installed. Nothing otherwise.
std::optional<QStringList> LaunchArguments(const DesktopEntry& entry);

// The absolute path of an executable: an absolute path as it is, a bare name through PATH.
// Empty when there is none (names with "/" other than absolute paths are not looked up).
QString FindProgram(const QString& name);

} // namespace platform
