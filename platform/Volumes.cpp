#include "platform/Volumes.h"

#include "platform/SimEvents.h"
#include "platform/linux/MountedVolumes.h"
#include "platform/sim/SimVolumes.h"

#include <QFile>

#include <sys/statvfs.h>

namespace platform {

namespace {

// A simulated volume whose folder has gone answers no more than an unplugged drive.
bool Answers(const QString& mount) {
    struct statvfs info {};
    return statvfs(QFile::encodeName(mount).constData(), &info) == 0;
}

} // namespace

std::vector<Volume> RemovableVolumes() {
    std::vector<Volume> all = SimulatorActive() ? sim::SimVolumes() : native::ReadMountedVolumes();
    std::vector<Volume> removable;
    for (Volume& volume : all) {
        if (volume.removable && Answers(volume.mount))
            removable.push_back(std::move(volume));
    }
    return removable;
}

} // namespace platform
