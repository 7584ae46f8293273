#pragma once

#include <QString>
#include <QStringList>

namespace platform {

// What decides where a run keeps its files, gathered from the process and its surroundings.
struct ProgramHomeFacts {
    QString velmoraHome;   // $VELMORA_HOME
    QString executableDir; // the folder of the running executable
    bool executableDirWritable = true;
    bool shareDirExists = false; // executableDir/../share/velmora: an installed copy
    QString xdgDataHome;         // $XDG_DATA_HOME
    QString userHome;            // $HOME
};

// Where the program's files live. Both paths end with "/"; shareDir is empty outside an install.
struct ProgramHomeLayout {
    QString home;
    QString shareDir;
};

// $VELMORA_HOME when set; otherwise, for an installed copy whose executable folder is not
// writable, $XDG_DATA_HOME/velmora (default ~/.local/share/velmora); otherwise the
// executable's folder (a build-folder or portable run).
ProgramHomeLayout ResolveProgramHome(const ProgramHomeFacts& facts);
ProgramHomeFacts CurrentProgramHomeFacts();

// The folder that holds custom.ini, log.log, endpoints.ini and the resource folder, resolved
// as above for this process. Always ends with "/".
QString ProgramHome();

// A read-only file or folder the program ships (languages.ini, restart.sh, models): the
// program home's copy when there is one, otherwise the install's share/velmora copy. Outside
// an install, always the program home's path.
QString ShippedFile(const QString& name);

// Creates the program home when it is missing and checks the shipped files. Returns one line
// per problem, each naming the path, for standard error and the log.
QStringList PrepareProgramHome();

// The full path of the running executable.
QString ExecutablePath();

} // namespace platform
