// The recording pen's store: scanning a folder of Opus files into PCM, WAV and local records,
// the seen names, deletion, the on-server flags, and what bad folders and files do.
#include "PenOpusFiles.h"
#include "records/CRecordStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

using penfiles::ReadFile;
using penfiles::WriteFile;

class RecordStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_opus = m_dir.filePath(QStringLiteral("pen"));
        m_root = m_dir.filePath(QStringLiteral("home/records/store"));
        ASSERT_TRUE(QDir().mkpath(m_opus));
        MakeStore();
    }

    void MakeStore() {
        CRecordStore::Links links;
        links.scanFinished = [this] {
            std::lock_guard<std::mutex> guard(m_lock);
            ++m_finished;
            m_changed.notify_all();
        };
        links.log = [this](const QString& line) {
            std::lock_guard<std::mutex> guard(m_lock);
            m_log << line;
        };
        links.converting = [this](const QString& path) {
            std::function<void(const QString&)> hook;
            {
                std::lock_guard<std::mutex> guard(m_lock);
                hook = m_beforeConvert;
            }
            if (hook)
                hook(path);
        };
        m_store = std::make_unique<CRecordStore>(std::move(links));
    }

    // Writes a pen file of that many packets; its content depends on the seed.
    QByteArray AddPenFile(const QString& name, int packets, uint32_t seed = 1) {
        const QByteArray bytes = penfiles::EncodePackets(packets, seed);
        EXPECT_TRUE(WriteFile(m_opus + QLatin1Char('/') + name, bytes)) << name.toStdString();
        return bytes;
    }

    // Scans and waits for scanFinished; false if it never came (a hang).
    bool Scan(const QString& opus, const QString& root) {
        int before = 0;
        {
            std::lock_guard<std::mutex> guard(m_lock);
            before = m_finished;
        }
        m_store->StartScan(opus, root);
        std::unique_lock<std::mutex> guard(m_lock);
        return m_changed.wait_for(guard, std::chrono::seconds(120),
                                  [&] { return m_finished > before; });
    }
    bool Scan() { return Scan(m_opus, m_root); }

    QStringList Names() const {
        QStringList names;
        for (const RecordItem& record : m_store->LocalRecords())
            names << QString::fromStdString(record.Title());
        return names;
    }
    QString Out(const char* sub, const QString& name) const {
        return m_root + QLatin1Char('/') + QLatin1String(sub) + QLatin1Char('/') + name;
    }
    QStringList FilesIn(const char* sub) const {
        return QDir(m_root + QLatin1Char('/') + QLatin1String(sub))
            .entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
    QStringList Log() const {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_log;
    }
    void BeforeConvert(std::function<void(const QString&)> hook) {
        std::lock_guard<std::mutex> guard(m_lock);
        m_beforeConvert = std::move(hook);
    }
    bool WaitUntilGone(const QString& path) const {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (QFileInfo::exists(path) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return !QFileInfo::exists(path);
    }

    // The WAV holds the 44-byte header and then exactly the libopus decode of the pen file.
    void ExpectConverted(const QString& name, const QByteArray& penFile) {
        const QByteArray pcm = ReadFile(Out("pcm", name + QStringLiteral(".pcm")));
        const QByteArray expected = penfiles::ReferenceDecode(penFile);
        EXPECT_TRUE(pcm == expected) << name.toStdString();
        const QByteArray wav = ReadFile(Out("wav", name + QStringLiteral(".wav")));
        ASSERT_EQ(wav.size(), 44 + expected.size()) << name.toStdString();
        EXPECT_EQ(wav.left(4), QByteArray("RIFF"));
        EXPECT_TRUE(wav.mid(44) == expected) << name.toStdString();
    }

    QTemporaryDir m_dir;
    QString m_opus;
    QString m_root;
    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    int m_finished = 0;
    QStringList m_log;
    std::function<void(const QString&)> m_beforeConvert;
    std::unique_ptr<CRecordStore> m_store;
};

TEST_F(RecordStoreTest, NewOpusFilesBecomePcmWavAndRecordsInByteOrderOfName) {
    const QByteArray upper = AddPenFile(QStringLiteral("REC001.OPUS"), 30, 1);
    const QByteArray first = AddPenFile(QStringLiteral("a.1.opus"), 12, 2);
    AddPenFile(QStringLiteral("a.2.opus"), 5, 3); // same NAME: only the first found counts
    const QByteArray b = AddPenFile(QStringLiteral("b.Opus"), 10, 4);
    ASSERT_TRUE(WriteFile(m_opus + QStringLiteral("/notes.txt"), "not audio"));
    ASSERT_TRUE(WriteFile(m_opus + QStringLiteral("/c.opus.bak"), penfiles::EncodePackets(3)));
    ASSERT_TRUE(QDir().mkpath(m_opus + QStringLiteral("/d.opus"))); // a folder, not a file
    ASSERT_TRUE(QDir().mkpath(m_opus + QStringLiteral("/sub")));
    ASSERT_TRUE(WriteFile(m_opus + QStringLiteral("/sub/deep.opus"), penfiles::EncodePackets(3)));

    testing::internal::CaptureStderr();
    ASSERT_TRUE(Scan());
    const std::string debug = testing::internal::GetCapturedStderr();
    EXPECT_NE(debug.find("扫描完成\n"), std::string::npos);
    EXPECT_FALSE(m_store->IsScanning());

    EXPECT_EQ(Names(), (QStringList{"REC001", "a", "b"}));
    ExpectConverted(QStringLiteral("REC001"), upper);
    ExpectConverted(QStringLiteral("a"), first);
    ExpectConverted(QStringLiteral("b"), b);
    EXPECT_TRUE(QFileInfo(m_root + QStringLiteral("/txt")).isDir());
    EXPECT_EQ(FilesIn("pcm"), (QStringList{"REC001.pcm", "a.pcm", "b.pcm"}));
    EXPECT_EQ(FilesIn("wav"), (QStringList{"REC001.wav", "a.wav", "b.wav"}));

    const RecordItem a = *m_store->LocalRecord(1);
    EXPECT_EQ(a.attr1, Out("wav", "a.wav").toStdString());
    EXPECT_EQ(a.filename, "a.wav");
    EXPECT_EQ(a.opusPath, (m_opus + QStringLiteral("/a.1.opus")).toStdString());
    EXPECT_EQ(a.pcmPath, Out("pcm", "a.pcm").toStdString());
    EXPECT_EQ(a.wavPath, Out("wav", "a.wav").toStdString());
    EXPECT_EQ(a.txtPath, Out("txt", "a.txt").toStdString());
    EXPECT_EQ(a.id, 0);
    EXPECT_TRUE(a.content.empty());
    EXPECT_FALSE(a.onServer);
    EXPECT_FALSE(m_store->LocalRecord(3));
    EXPECT_FALSE(m_store->LocalRecord(-1));
}

TEST_F(RecordStoreTest, ASecondScanConvertsOnlyNewNamesAndClearForgetsThem) {
    AddPenFile(QStringLiteral("a.opus"), 10);
    ASSERT_TRUE(Scan());
    // Outputs deleted meanwhile are not made again: the name was seen.
    ASSERT_TRUE(QFile::remove(Out("wav", "a.wav")));
    const QByteArray c = AddPenFile(QStringLiteral("c.opus"), 8, 9);
    ASSERT_TRUE(Scan());
    EXPECT_EQ(Names(), (QStringList{"a", "c"}));
    EXPECT_FALSE(QFileInfo::exists(Out("wav", "a.wav")));
    ExpectConverted(QStringLiteral("c"), c);

    ASSERT_TRUE(Scan());
    EXPECT_EQ(Names(), (QStringList{"a", "c"})) << "nothing new, still finished";

    // After sign-out everything is new again, and outputs are written over.
    m_store->Clear();
    EXPECT_TRUE(m_store->LocalRecords().empty());
    ASSERT_TRUE(WriteFile(Out("pcm", "c.pcm"), "stale"));
    ASSERT_TRUE(Scan());
    EXPECT_EQ(Names(), (QStringList{"a", "c"}));
    EXPECT_TRUE(QFileInfo::exists(Out("wav", "a.wav")));
    ExpectConverted(QStringLiteral("c"), c);
}

TEST_F(RecordStoreTest, OggRandomEmptyAndTruncatedFiles) {
    ASSERT_TRUE(
        WriteFile(m_opus + QStringLiteral("/ogg.opus"), "OggS" + penfiles::RandomBytes(400, 3)));
    const QByteArray random = penfiles::RandomBytes(40 * 300, 5);
    ASSERT_TRUE(WriteFile(m_opus + QStringLiteral("/rnd.opus"), random));
    ASSERT_TRUE(WriteFile(m_opus + QStringLiteral("/empty.opus"), QByteArray()));
    const QByteArray truncated = penfiles::EncodePackets(10) + penfiles::RandomBytes(10, 1);
    ASSERT_TRUE(WriteFile(m_opus + QStringLiteral("/t.opus"), truncated));

    ASSERT_TRUE(Scan());
    EXPECT_EQ(Names(), (QStringList{"empty", "rnd", "t"}));
    ExpectConverted(QStringLiteral("rnd"), random);
    ExpectConverted(QStringLiteral("t"), truncated);
    EXPECT_EQ(ReadFile(Out("pcm", "t.pcm")).size(), 10 * 320 * 2);
    EXPECT_EQ(ReadFile(Out("wav", "empty.wav")).size(), 44);
    EXPECT_FALSE(QFileInfo::exists(Out("pcm", "ogg.pcm")));
    EXPECT_FALSE(QFileInfo::exists(Out("wav", "ogg.wav")));
    const QStringList log = Log();
    ASSERT_EQ(log.size(), 1) << log.join('\n').toStdString();
    EXPECT_TRUE(log[0].contains(QStringLiteral("ogg.opus")));
}

TEST_F(RecordStoreTest, AFileOrTheVolumeVanishingMidScanLeavesNoOutputsAndComesBackLater) {
    const QByteArray a = AddPenFile(QStringLiteral("a.opus"), 10, 1);
    const QByteArray b = AddPenFile(QStringLiteral("b.opus"), 10, 2);
    const QByteArray c = AddPenFile(QStringLiteral("c.opus"), 10, 3);
    const QByteArray d = AddPenFile(QStringLiteral("d.opus"), 10, 4);
    // b disappears just before its turn; at c the whole volume goes.
    BeforeConvert([this](const QString& path) {
        if (path.endsWith(QStringLiteral("/b.opus")))
            QFile::remove(path);
        if (path.endsWith(QStringLiteral("/c.opus")))
            QDir(m_opus).removeRecursively();
    });
    ASSERT_TRUE(Scan());
    EXPECT_EQ(Names(), QStringList{"a"});
    EXPECT_EQ(FilesIn("pcm"), QStringList{"a.pcm"});
    EXPECT_EQ(FilesIn("wav"), QStringList{"a.wav"});

    // The volume is back: the names that failed were not taken.
    BeforeConvert(nullptr);
    ASSERT_TRUE(QDir().mkpath(m_opus));
    for (const auto& [name, bytes] :
         {std::pair{"a.opus", a}, {"b.opus", b}, {"c.opus", c}, {"d.opus", d}})
        ASSERT_TRUE(WriteFile(m_opus + QLatin1Char('/') + QLatin1String(name), bytes));
    ASSERT_TRUE(Scan());
    EXPECT_EQ(Names(), (QStringList{"a", "b", "c", "d"}));
    ExpectConverted(QStringLiteral("c"), c);
    ExpectConverted(QStringLiteral("d"), d);
}

TEST_F(RecordStoreTest, AnUnusableFolderGivesOneLogLineAndTheScanStillFinishes) {
    AddPenFile(QStringLiteral("a.opus"), 10);
    ASSERT_TRUE(WriteFile(m_dir.filePath(QStringLiteral("plain")), "a file"));
    const QString longFolder = QLatin1Char('/') + QString(4100, QLatin1Char('x'));
    // A root below a plain file cannot be made, whoever runs the test; nor a 4 KiB path.
    const std::pair<QString, QString> folders[] = {
        {m_opus, m_dir.filePath(QStringLiteral("plain/root"))},
        {m_opus, longFolder},
        {longFolder, m_root},
    };
    for (const auto& [opus, root] : folders) {
        const int logged = Log().size();
        ASSERT_TRUE(Scan(opus, root));
        EXPECT_EQ(Log().size(), logged + 1) << Log().join('\n').toStdString();
        EXPECT_TRUE(m_store->LocalRecords().empty());
    }
    // The file's NAME was never taken: a good root converts it.
    ASSERT_TRUE(Scan());
    EXPECT_EQ(Names(), QStringList{"a"});
}

TEST_F(RecordStoreTest, OddNamesKeepTheirNames) {
    const QString names[] = {QStringLiteral("my recording"), QStringLiteral("it's \"quoted\""),
                             QStringLiteral("录音 01"), QStringLiteral("$(touch x);`y`"),
                             QStringLiteral("%s%n%1")};
    for (const QString& name : names)
        AddPenFile(name + QStringLiteral(".opus"), 3);
    ASSERT_TRUE(Scan());
    QStringList expected(std::begin(names), std::end(names));
    std::sort(expected.begin(), expected.end(),
              [](const QString& x, const QString& y) { return x.toUtf8() < y.toUtf8(); });
    EXPECT_EQ(Names(), expected);
    for (const QString& name : names) {
        EXPECT_TRUE(QFileInfo::exists(Out("wav", name + QStringLiteral(".wav"))))
            << name.toStdString();
    }
}

TEST_F(RecordStoreTest, DeletingARecordForgetsItsOwnNameAndDeletesItsOpusFile) {
    AddPenFile(QStringLiteral("a.opus"), 4);
    // An Ogg file's NAME is seen without a record, so seen names and records differ in position.
    ASSERT_TRUE(WriteFile(m_opus + QStringLiteral("/ab.opus"), "OggS...."));
    const QByteArray b = AddPenFile(QStringLiteral("b.opus"), 4, 2);
    AddPenFile(QStringLiteral("c.opus"), 4, 3);
    ASSERT_TRUE(Scan());
    ASSERT_EQ(Names(), (QStringList{"a", "b", "c"}));

    EXPECT_FALSE(m_store->RemoveLocalRecord(3));
    EXPECT_FALSE(m_store->RemoveLocalRecord(-1));
    ASSERT_TRUE(m_store->RemoveLocalRecord(1));
    EXPECT_EQ(Names(), (QStringList{"a", "c"}));
    ASSERT_TRUE(WaitUntilGone(m_opus + QStringLiteral("/b.opus")));
    EXPECT_TRUE(QFileInfo::exists(m_opus + QStringLiteral("/a.opus")));
    EXPECT_TRUE(QFileInfo::exists(Out("wav", "b.wav"))) << "only the Opus file is deleted";

    // The pen holds b again: b is new, while a, ab and c are still seen.
    ASSERT_TRUE(WriteFile(m_opus + QStringLiteral("/b.opus"), b));
    const int logged = Log().size();
    ASSERT_TRUE(Scan());
    EXPECT_EQ(Names(), (QStringList{"a", "c", "b"}));
    EXPECT_EQ(Log().size(), logged) << "the Ogg file is not looked at again";
}

TEST_F(RecordStoreTest, OnServerFlagFollowsTheServerNamesOnEveryRebuild) {
    AddPenFile(QStringLiteral("a.1.opus"), 3);
    AddPenFile(QStringLiteral("b.opus"), 3);
    AddPenFile(QStringLiteral("c.opus"), 3);
    ASSERT_TRUE(Scan());
    auto flags = [this] {
        std::vector<bool> on;
        for (const RecordItem& record : m_store->LocalRecords())
            on.push_back(record.onServer);
        return on;
    };
    std::vector<RecordItem> server(4);
    server[0].filepath = "/upload/2021/a.wav";
    server[1].filepath = "b"; // no folder, no extension
    server[2].filepath = "";  // no name at all
    server[2].filename = "c.wav";
    server[3].filepath = "/upload/c.d/x.tar.gz";
    m_store->ReplaceServerRecords(server);
    EXPECT_EQ(flags(), (std::vector<bool>{true, true, false}));
    EXPECT_EQ(m_store->ServerRecords().size(), 4u);

    // An edited server record counts from the next refresh.
    RecordItem edited = *m_store->ServerRecord(3);
    edited.filepath = "/upload/c.wav";
    ASSERT_TRUE(m_store->SetServerRecord(3, edited));
    EXPECT_FALSE(m_store->SetServerRecord(4, edited));
    m_store->RefreshOnServerFlags();
    EXPECT_EQ(flags(), (std::vector<bool>{true, true, true}));

    m_store->ReplaceServerRecords({});
    EXPECT_EQ(flags(), (std::vector<bool>{false, false, false}));

    // A save reply may rename the record: its NAME stays that of its Opus file.
    RecordItem saved = *m_store->LocalRecord(0);
    saved.filename = "renamed.wav";
    ASSERT_TRUE(m_store->SetLocalRecord(0, saved));
    m_store->ReplaceServerRecords(server);
    EXPECT_TRUE(m_store->LocalRecord(0)->onServer);
    EXPECT_EQ(m_store->LocalRecord(0)->filename, "renamed.wav");
}

TEST_F(RecordStoreTest, DestroyingMidScanLeavesOnlyWholeOutputs) {
    std::vector<QByteArray> files;
    for (int i = 0; i < 6; ++i)
        files.push_back(AddPenFile(QStringLiteral("f%1.opus").arg(i), 3000, i));
    m_store->StartScan(m_opus, m_root);
    m_store->StartScan(m_opus, m_root);
    EXPECT_TRUE(m_store->IsScanning());
    m_store.reset();
    for (int i = 0; i < 6; ++i) {
        const QString name = QStringLiteral("f%1").arg(i);
        if (QFileInfo::exists(Out("wav", name + QStringLiteral(".wav"))))
            ExpectConverted(name, files[static_cast<std::size_t>(i)]);
    }
    // No temporary or half-made file under any name, and no PCM without its WAV.
    QStringList pcmNames = FilesIn("pcm").replaceInStrings(QStringLiteral(".pcm"), QString());
    QStringList wavNames = FilesIn("wav").replaceInStrings(QStringLiteral(".wav"), QString());
    EXPECT_EQ(pcmNames, wavNames);
    for (const QString& name : wavNames)
        EXPECT_TRUE(QRegularExpression(QStringLiteral("^f[0-5]$")).match(name).hasMatch())
            << name.toStdString();
}

} // namespace
