// Volumes mounted in the simulator: the tool's volume command, the program's volume list, and
// the recorder drive found on it.
#include "SimWorldProcess.h"
#include "platform/Volumes.h"
#include "platform/sim/SimVolumes.h"
#include "records/CRecordStore.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

void Touch(const QString& path) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
}

QStringList Mounts(const std::vector<platform::Volume>& volumes) {
    QStringList mounts;
    for (const platform::Volume& volume : volumes)
        mounts << volume.mount;
    return mounts;
}

TEST(SimVolumes, AddedVolumesAreListedInOrderAndTheRecorderIsTheFirstRemovableWithOpus) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString empty = dir.filePath(QStringLiteral("EMPTY"));
    const QString fixed = dir.filePath(QStringLiteral("DISK"));
    const QString nested = dir.filePath(QStringLiteral("NESTED"));
    const QString pen = dir.filePath(QStringLiteral("PEN ONE"));
    const QString second = dir.filePath(QStringLiteral("PEN2"));
    for (const QString& folder : {empty, fixed, nested + QStringLiteral("/REC"), pen, second})
        ASSERT_TRUE(QDir().mkpath(folder));
    Touch(fixed + QStringLiteral("/a.opus"));
    Touch(nested + QStringLiteral("/REC/a.opus"));                 // not in the top folder
    ASSERT_TRUE(QDir().mkpath(empty + QStringLiteral("/x.opus"))); // a folder, not a file
    Touch(pen + QStringLiteral("/REC001.OPUS"));
    Touch(second + QStringLiteral("/b.opus"));

    EXPECT_TRUE(FindRecorderDrive().isEmpty());
    const int64_t seq = SimWorldProcess::LastSeq();
    const std::string root = dir.path().toStdString();
    ASSERT_EQ(SimWorldProcess::Run("volume add " + root + "/EMPTY --label Empty"), 0);
    ASSERT_EQ(SimWorldProcess::Run("volume add " + root + "/DISK --fixed"), 0);
    ASSERT_EQ(SimWorldProcess::Run("volume add " + root + "/NESTED/"), 0);
    ASSERT_EQ(SimWorldProcess::Run("volume add '" + root + "/PEN ONE' --label 'PEN ONE'"), 0);
    ASSERT_EQ(SimWorldProcess::Run("volume add " + root + "/PEN2"), 0);

    const std::vector<platform::Volume> all = platform::sim::SimVolumes();
    EXPECT_EQ(Mounts(all), (QStringList{empty, fixed, nested, pen, second}));
    ASSERT_EQ(all.size(), 5u);
    EXPECT_FALSE(all[1].removable);
    EXPECT_EQ(all[0].label, QStringLiteral("Empty"));
    EXPECT_EQ(all[3].label, QStringLiteral("PEN ONE"));
    EXPECT_EQ(Mounts(platform::RemovableVolumes()), (QStringList{empty, nested, pen, second}));
    EXPECT_EQ(FindRecorderDrive(), pen);

    std::vector<Json::Value> volumeEvents;
    ASSERT_TRUE(SimWorldProcess::WaitForEvents(seq, [&](const std::vector<Json::Value>& events) {
        volumeEvents.clear();
        for (const Json::Value& event : events) {
            if (event["kind"] == "volume")
                volumeEvents.push_back(event);
        }
        return volumeEvents.size() == 5;
    }));
    EXPECT_EQ(volumeEvents[1]["action"], "add");
    EXPECT_EQ(volumeEvents[1]["mount"], root + "/DISK");
    EXPECT_EQ(volumeEvents[1]["removable"], false);
    EXPECT_EQ(volumeEvents[2]["mount"], root + "/NESTED");

    // Pulled out, or its folder gone: the next pen is the recorder.
    ASSERT_EQ(SimWorldProcess::Run("volume remove '" + root + "/PEN ONE'"), 0);
    EXPECT_EQ(FindRecorderDrive(), second);
    ASSERT_TRUE(QDir(second).removeRecursively());
    EXPECT_EQ(Mounts(platform::RemovableVolumes()), (QStringList{empty, nested}));
    EXPECT_TRUE(FindRecorderDrive().isEmpty());

    // Refused: twice the same mount, removing what is not mounted, no folder, bad usage.
    EXPECT_NE(SimWorldProcess::Run("volume add " + root + "/EMPTY 2>/dev/null"), 0);
    EXPECT_NE(SimWorldProcess::Run("volume remove '" + root + "/PEN ONE' 2>/dev/null"), 0);
    EXPECT_NE(SimWorldProcess::Run("volume add " + root + "/none 2>/dev/null"), 0);
    EXPECT_NE(SimWorldProcess::Run("volume eject " + root + "/EMPTY 2>/dev/null"), 0);
    for (const char* name : {"EMPTY", "DISK", "NESTED", "PEN2"})
        ASSERT_EQ(SimWorldProcess::Run("volume remove " + root + "/" + name), 0);
    EXPECT_TRUE(platform::sim::SimVolumes().empty());
}

} // namespace
