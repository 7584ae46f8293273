#pragma once

#include <QString>
#include <QStringList>

namespace platform::sim {

// The simulated desktop's file index (velmora-sim index PATH...): the indexed files whose base
// name is exactly the name. Nothing when the world does not answer within 2 seconds.
QStringList SimIndexByName(const QString& name);

} // namespace platform::sim
