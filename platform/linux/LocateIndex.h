#pragma once

#include <QString>
#include <QStringList>

namespace platform {

// Asks the locate database for files whose base name contains the name: plocate when
// installed, else locate, as an argument vector (never a shell), with --basename --null.
// A search that has not finished in 2 seconds is killed and yields nothing; so does a missing
// or failing program.
QStringList LocateByName(const QString& name);

} // namespace platform
