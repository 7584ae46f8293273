#pragma once

#include <QString>

namespace platform {

// The folder that holds custom.ini, languages.ini, log.log, endpoints.ini and the resource
// folder: $VELMORA_HOME when set, otherwise the directory of the running executable.
// Always ends with "/".
QString ProgramHome();

// The full path of the running executable.
QString ExecutablePath();

} // namespace platform
