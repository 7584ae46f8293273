#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace platform {

// What became of a target handed to OpenTarget.
enum class OpenOutcome {
    Opened,  // the desktop took the address, or the program started
    Refused, // the target is of no accepted form, or the caller's policy forbids it
    Failed,  // an accepted target that the desktop or the process start turned down
};

struct OpenResult {
    OpenOutcome outcome = OpenOutcome::Failed;
    // For Refused: "form" (no accepted target form, or a missing or unusable file),
    // "untrusted" (a program the policy does not trust), "outside" (not a desktop entry
    // directly in an application directory, when the policy asks for one).
    QString reason;

    bool Opened() const { return outcome == OpenOutcome::Opened; }
};

// What a caller allows beyond the rules every target obeys. The default accepts every form
// and runs only programs that are desktop entries of the XDG application directories.
struct OpenPolicy {
    // Web addresses only (http://, https://, www.…): answers of remote services.
    bool webOnly = false;
    // Further URL schemes handed to the desktop as they are ("trash" for trash:///).
    QStringList extraSchemes;
    // Only desktop entries lying directly in an XDG application directory; any other target
    // is refused as "outside" (results of a file search).
    bool applicationEntriesOnly = false;
    // Decides about programs that are not desktop entries of an application directory
    // (executables, desktop files elsewhere); given the absolute path. Empty: none runs.
    std::function<bool(const QString& program)> isTrustedProgram;
};

// The program's one way to open something on the desktop, on any thread. Target forms:
//  1. http(s)://…, or www.… (http:// is added): handed to the desktop (QDesktopServices on
//     the UI thread);
//  2. an existing absolute path, ~/… or file://…: folders and documents handed to the desktop
//     as file URLs; executables and .desktop files are programs;
//  3. a bare desktop-file id (no "/" or ":"; ".desktop" may be left out): that installed
//     application;
//  4. anything else: refused as "form".
// Programs start from an argument vector, never through a shell: an executable alone, or a
// desktop entry's Exec split by freedesktop.org's quoting rules with field codes dropped.
// `via` is the caller's free-text name for the action ("custom", "web", "update", "help"); it
// goes to the simulator's open/run/refused events and the debug channel. Under the simulator
// nothing is launched: the open or run is only reported.
OpenResult OpenTarget(const QString& target, const QString& via, const OpenPolicy& policy = {});

// The absolute path of the program a target names by path (an existing executable file or
// desktop file, form 2), as OpenTarget hands it to isTrustedProgram; empty for anything else.
// Lets a caller record the programs the user picked.
QString ProgramTargetPath(const QString& target);

} // namespace platform
