#pragma once

#include <QString>

#include <vector>

namespace platform {

// A mounted file system the user can reach, as the desktop lists its drives.
struct Volume {
    QString mount; // the mount point
    bool removable = false;
    QString label; // empty when the file system has none
};

// The removable volumes, in mount order: on Linux the mounts of /proc/self/mountinfo whose
// block device carries the sysfs "removable" flag (a partition's by its disk) and whose file
// system answers statvfs; under the simulator the world's removable volumes (velmora-sim
// volume add) that answer statvfs, in the order they were added. Any thread; reads procfs and
// sysfs (or asks the world, at most 2 seconds).
std::vector<Volume> RemovableVolumes();

} // namespace platform
