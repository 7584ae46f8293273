// ConvertPcmToWav: the 44-byte header and the samples, whole samples only.
#include "records/ConvertPcmToWav.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

uint32_t Le32(const QByteArray& bytes, int at) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<uint8_t>(bytes[at + i]);
    return value;
}

uint16_t Le16(const QByteArray& bytes, int at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(bytes[at]) |
                                 (static_cast<uint8_t>(bytes[at + 1]) << 8));
}

QByteArray Pattern(int size) {
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + 3) & 0xFF);
    return bytes;
}

struct PcmCase {
    const char* name;
    int pcmBytes;
    int dataBytes; // what the WAV keeps
};

class ConvertPcmToWavTest : public ::testing::TestWithParam<PcmCase> {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString Path(const char* name) const { return m_dir.filePath(QLatin1String(name)); }

    QTemporaryDir m_dir;
};

// Sizes past the copy block (1 MiB) catch a last block that is short, odd or lost.
INSTANTIATE_TEST_SUITE_P(Sizes, ConvertPcmToWavTest,
                         ::testing::Values(PcmCase{"Empty", 0, 0}, PcmCase{"OneByte", 1, 0},
                                           PcmCase{"OneSample", 2, 2},
                                           PcmCase{"OddTail", 3201, 3200},
                                           PcmCase{"BlockPlusOdd", (1 << 20) + 1, 1 << 20},
                                           PcmCase{"TwoBlocksOdd", (2 << 20) + 3, (2 << 20) + 2}),
                         [](const ::testing::TestParamInfo<PcmCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_P(ConvertPcmToWavTest, HeaderCarriesTheSizesAndTheSamplesFollowUnchanged) {
    const PcmCase& row = GetParam();
    const QByteArray pcm = Pattern(row.pcmBytes);
    ASSERT_TRUE(WriteAll(Path("in.pcm"), pcm));
    ASSERT_EQ(ConvertPcmToWav(Path("in.pcm"), 1, 16000, Path("out.wav")), 0);

    const QByteArray wav = ReadAll(Path("out.wav"));
    ASSERT_EQ(wav.size(), 44 + row.dataBytes);
    EXPECT_EQ(wav.left(4), QByteArray("RIFF"));
    EXPECT_EQ(Le32(wav, 4), static_cast<uint32_t>(row.dataBytes + 36));
    EXPECT_EQ(wav.mid(8, 8), QByteArray("WAVEfmt "));
    EXPECT_EQ(Le32(wav, 16), 16u);
    EXPECT_EQ(Le16(wav, 20), 1);      // integer PCM
    EXPECT_EQ(Le16(wav, 22), 1);      // channels
    EXPECT_EQ(Le32(wav, 24), 16000u); // sample rate
    EXPECT_EQ(Le32(wav, 28), 32000u); // byte rate
    EXPECT_EQ(Le16(wav, 32), 2);      // block align
    EXPECT_EQ(Le16(wav, 34), 16);     // bits per sample
    EXPECT_EQ(wav.mid(36, 4), QByteArray("data"));
    EXPECT_EQ(Le32(wav, 40), static_cast<uint32_t>(row.dataBytes));
    EXPECT_TRUE(wav.mid(44) == pcm.left(row.dataBytes));
}

TEST(ConvertPcmToWavErrors, MissingInputOrUncreatableOutputFailsAndSaysSo) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString wav = dir.filePath(QStringLiteral("out.wav"));
    testing::internal::CaptureStdout();
    EXPECT_EQ(ConvertPcmToWav(dir.filePath(QStringLiteral("none.pcm")), 1, 16000, wav), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Open pcm file error.\n");
    EXPECT_FALSE(QFile::exists(wav));

    ASSERT_TRUE(WriteAll(dir.filePath(QStringLiteral("in.pcm")), Pattern(10)));
    testing::internal::CaptureStdout();
    EXPECT_EQ(ConvertPcmToWav(dir.filePath(QStringLiteral("in.pcm")), 1, 16000,
                              dir.filePath(QStringLiteral("no/such/folder/out.wav"))),
              -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Create wav file error.\n");
}

} // namespace

namespace {

// A failed conversion leaves no WAV of the name, nor any temporary file, and an earlier WAV of
// that name as it was.
TEST(ConvertPcmToWavFailures, NoPartialWavAndAnEarlierOneStays) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString wav = dir.filePath(QStringLiteral("out.wav"));
    ASSERT_TRUE(WriteAll(wav, "earlier"));

    // A folder opens but cannot be read as a PCM file.
    ASSERT_TRUE(QDir().mkpath(dir.filePath(QStringLiteral("folder.pcm"))));
    testing::internal::CaptureStdout();
    EXPECT_EQ(ConvertPcmToWav(dir.filePath(QStringLiteral("folder.pcm")), 1, 16000, wav), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Open pcm file error.\n");
    EXPECT_EQ(ReadAll(wav), QByteArray("earlier"));

    // Four GiB of samples do not fit the RIFF sizes (a sparse file: nothing is copied).
    QFile huge(dir.filePath(QStringLiteral("huge.pcm")));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
    ASSERT_TRUE(huge.resize(qint64{1} << 32));
    huge.close();
    testing::internal::CaptureStdout();
    EXPECT_EQ(ConvertPcmToWav(huge.fileName(), 1, 16000, wav), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Create wav file error.\n");
    EXPECT_EQ(ReadAll(wav), QByteArray("earlier"));

    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              (QStringList{"huge.pcm", "out.wav"}));
}

} // namespace
