// The subtitle session set: names, the audio hand-over, the UTF-16 text and the WAV.
#include "records/CSessionRecording.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray Utf16LeWithBom(const QString& text) {
    QByteArray bytes("\xFF\xFE", 2);
    for (const QChar unit : text) {
        bytes.append(static_cast<char>(unit.unicode() & 0xFF));
        bytes.append(static_cast<char>(unit.unicode() >> 8));
    }
    return bytes;
}

class SessionRecordingTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_recording = std::make_unique<CSessionRecording>(MakeLinks());
    }

    CSessionRecording::Links MakeLinks() {
        CSessionRecording::Links links;
        links.saveFolder = [this] { return saveFolder; };
        links.defaultFolder = DefaultFolder();
        // Holds the file as the capture does, until it is taken back.
        links.setRecordingFile = [this](std::shared_ptr<std::FILE> file) {
            capture = std::move(file);
            ++sinkCalls;
        };
        links.now = [this] { return now; };
        links.log = [this](const QString& line) { logLines.push_back(line); };
        return links;
    }

    QString DefaultFolder() const { return m_dir.path() + QStringLiteral("/Subtitle/"); }
    QString Base(const char* name) const { return DefaultFolder() + QLatin1String(name); }

    // What the microphone appends while the set is open.
    void Capture(const QByteArray& audio) {
        ASSERT_TRUE(capture);
        std::fwrite(audio.constData(), 1, static_cast<std::size_t>(audio.size()), capture.get());
    }

    QTemporaryDir m_dir;
    QString saveFolder;
    QDateTime now{QDate(2021, 3, 2), QTime(9, 5, 3)};
    std::shared_ptr<std::FILE> capture;
    int sinkCalls = 0;
    std::vector<QString> logLines;
    std::unique_ptr<CSessionRecording> m_recording;
};

TEST_F(SessionRecordingTest, NamesAreTheStartTimeThenNumberedNeverReplacingAnEarlierSet) {
    EXPECT_EQ(CSessionRecording::BaseName(now, 1), QStringLiteral("2021_03_02_09_05_03"));
    EXPECT_EQ(CSessionRecording::BaseName(now, 2), QStringLiteral("2021_03_02_09_05_03_2"));

    // An earlier set left only its WAV: the name is still taken.
    ASSERT_TRUE(QDir().mkpath(DefaultFolder()));
    QFile earlier(Base("2021_03_02_09_05_03.wav"));
    ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
    earlier.write("keep");
    earlier.close();

    ASSERT_TRUE(m_recording->Start());
    EXPECT_EQ(m_recording->LastBasePath(), Base("2021_03_02_09_05_03_2"));
    m_recording->Stop();
    m_recording->OnFinalResult();
    ASSERT_TRUE(m_recording->Start());
    EXPECT_EQ(m_recording->LastBasePath(), Base("2021_03_02_09_05_03_3"));
    m_recording->Stop();
    m_recording->OnFinalResult();
    m_recording->WaitForFinishedSets();
    EXPECT_EQ(ReadAll(Base("2021_03_02_09_05_03.wav")), QByteArray("keep"));
    EXPECT_TRUE(QFile::exists(Base("2021_03_02_09_05_03_2.wav")));
    EXPECT_TRUE(QFile::exists(Base("2021_03_02_09_05_03_3.wav")));
}

TEST_F(SessionRecordingTest, KeepsAudioAndUtf16TextUntilTheFinalResultThenWritesTheWav) {
    ASSERT_TRUE(m_recording->Start());
    ASSERT_TRUE(m_recording->IsOpen());
    Capture(QByteArray(3201, '\x11'));
    m_recording->AppendText(QStringLiteral("第一句 "));
    m_recording->AppendText(QString::fromUtf8("\xF0\x9F\x98\x80 two"));

    const std::weak_ptr<std::FILE> audio = capture;
    m_recording->Stop();
    // The audio is taken from the capture and closed at once.
    EXPECT_FALSE(capture);
    EXPECT_TRUE(audio.expired());
    EXPECT_FALSE(m_recording->IsOpen());
    // The final sentence comes after the key is released.
    m_recording->AppendText(QStringLiteral(" last"));
    m_recording->OnFinalResult();
    m_recording->WaitForFinishedSets();
    m_recording->AppendText(QStringLiteral(" too late"));

    const QString base = m_recording->LastBasePath();
    EXPECT_EQ(ReadAll(base + ".txt"),
              Utf16LeWithBom(QStringLiteral("第一句 ") + QString::fromUtf8("\xF0\x9F\x98\x80 two") +
                             QStringLiteral(" last")));
    EXPECT_EQ(ReadAll(base + ".pcm").size(), 3201);
    const QByteArray wav = ReadAll(base + ".wav");
    EXPECT_EQ(wav.size(), 44 + 3200);
    EXPECT_EQ(wav.mid(44), QByteArray(3200, '\x11'));
}

TEST_F(SessionRecordingTest, WithoutAFinalResultTheTextClosesAfterTheWait) {
    ASSERT_TRUE(m_recording->Start());
    m_recording->AppendText(QStringLiteral("said"));
    m_recording->Stop();
    m_recording->WaitForFinishedSets();
    m_recording->AppendText(QStringLiteral(" later"));
    const QString base = m_recording->LastBasePath();
    EXPECT_EQ(ReadAll(base + ".txt"), Utf16LeWithBom(QStringLiteral("said")));
    EXPECT_EQ(ReadAll(base + ".wav").size(), 44);
}

TEST_F(SessionRecordingTest, StartFinishesTheSetBeforeOpeningTheNext) {
    ASSERT_TRUE(m_recording->Start());
    const QString first = m_recording->LastBasePath();
    m_recording->AppendText(QStringLiteral("one"));
    ASSERT_TRUE(m_recording->Start()); // no stop came in between
    const QString second = m_recording->LastBasePath();
    m_recording->AppendText(QStringLiteral("two"));
    m_recording->Stop();
    // A set still waiting for its final result is complete once the next one starts.
    ASSERT_TRUE(m_recording->Start());
    const QString third = m_recording->LastBasePath();
    m_recording->AppendText(QStringLiteral("three"));
    m_recording->Stop();
    m_recording->OnFinalResult();
    m_recording->WaitForFinishedSets();

    EXPECT_NE(first, second);
    EXPECT_NE(second, third);
    EXPECT_EQ(ReadAll(first + ".txt"), Utf16LeWithBom(QStringLiteral("one")));
    EXPECT_EQ(ReadAll(second + ".txt"), Utf16LeWithBom(QStringLiteral("two")));
    EXPECT_EQ(ReadAll(third + ".txt"), Utf16LeWithBom(QStringLiteral("three")));
    for (const QString& base : {first, second, third})
        EXPECT_TRUE(QFile::exists(base + ".wav")) << base.toStdString();
}

TEST_F(SessionRecordingTest, StopWithoutASetDoesNothing) {
    m_recording->Stop();
    m_recording->AppendText(QStringLiteral("nowhere"));
    m_recording->OnFinalResult();
    EXPECT_EQ(sinkCalls, 0);
    EXPECT_FALSE(QFile::exists(DefaultFolder()));
    EXPECT_TRUE(logLines.empty());
}

TEST_F(SessionRecordingTest, SaveFolderTextIsUsedAndMadeWithItsParents) {
    saveFolder = m_dir.path() + QStringLiteral("/talks/monday");
    ASSERT_TRUE(m_recording->Start());
    EXPECT_EQ(m_recording->LastBasePath(), saveFolder + QStringLiteral("/2021_03_02_09_05_03"));
    EXPECT_TRUE(QFile::exists(saveFolder + QStringLiteral("/2021_03_02_09_05_03.pcm")));
    EXPECT_FALSE(QFile::exists(DefaultFolder()));
}

TEST_F(SessionRecordingTest, FolderThatCannotBeMadeLogsOneLineAndMakesNoFiles) {
    QFile blocker(m_dir.filePath(QStringLiteral("blocker")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    saveFolder = blocker.fileName() + QStringLiteral("/sub");
    EXPECT_FALSE(m_recording->Start());
    EXPECT_EQ(logLines.size(), 1u);
    EXPECT_EQ(sinkCalls, 0);
    EXPECT_FALSE(m_recording->IsOpen());
    m_recording->AppendText(QStringLiteral("lost"));
    m_recording->Stop();
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList{QStringLiteral("blocker")});
}

} // namespace
