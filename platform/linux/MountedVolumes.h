#pragma once

#include "platform/Volumes.h"

#include <QString>

#include <vector>

namespace platform::native {

// The mounts listed in ROOT/proc/self/mountinfo, in its order, that stand on a block device
// known to ROOT/sys/dev/block and whose mount point answers statvfs, each with the device's
// "removable" flag (a partition takes its disk's) and its label from ROOT/dev/disk/by-label.
// ROOT is "" for this system; tests pass a fake tree. Mount points are the system's own
// (absolute, not below ROOT). Unreadable or malformed lines are skipped.
std::vector<Volume> ReadMountedVolumes(const QString& root = QString());

// A mountinfo field with its octal escapes ("\040" for a blank) undone.
QByteArray UnescapeMountField(const QByteArray& field);

} // namespace platform::native
