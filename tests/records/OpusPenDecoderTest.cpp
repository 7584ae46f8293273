// The pen's bare 40-byte Opus packets to PCM, held against a plain libopus decode.
#include "PenOpusFiles.h"
#include "records/COpusPenDecoder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using Outcome = COpusPenDecoder::Outcome;
using penfiles::ReadFile;
using penfiles::WriteFile;

struct PenFileCase {
    const char* name;
    int packets;
    int tailBytes;      // bytes of a cut-off packet after them
    int decodedPackets; // 20 ms packets expected in the PCM
};

class PenFileTest : public ::testing::TestWithParam<PenFileCase> {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString Path(const char* name) const { return m_dir.filePath(QLatin1String(name)); }
    QTemporaryDir m_dir;
};

// 1700 and 30000 packets cross the decoder's read block (1600 packets) and its PCM flush
// (512 Ki samples), where a lost, doubled or misaligned block would show.
INSTANTIATE_TEST_SUITE_P(
    Sizes, PenFileTest,
    ::testing::Values(PenFileCase{"Empty", 0, 0, 0}, PenFileCase{"TailOnly", 0, 39, 0},
                      PenFileCase{"OnePacket", 1, 0, 1}, PenFileCase{"FourHundredBytes", 10, 0, 10},
                      PenFileCase{"FourHundredTenBytes", 10, 10, 10},
                      PenFileCase{"PastOneReadBlock", 1700, 39, 1700},
                      PenFileCase{"PastTheFlush", 30000, 1, 30000}),
    [](const ::testing::TestParamInfo<PenFileCase>& info) { return std::string(info.param.name); });

TEST_P(PenFileTest, EveryWholePacketDecodesAsLibopusDoesAndTheTailIsDropped) {
    const PenFileCase& row = GetParam();
    QByteArray file = penfiles::EncodePackets(row.packets);
    ASSERT_EQ(file.size(), row.packets * 40);
    file += penfiles::RandomBytes(row.tailBytes, 7);
    ASSERT_TRUE(WriteFile(Path("in.opus"), file));

    COpusPenDecoder decoder;
    ASSERT_EQ(decoder.DecodeFile(Path("in.opus"), Path("out.pcm")), Outcome::Done);
    const QByteArray pcm = ReadFile(Path("out.pcm"));
    EXPECT_EQ(pcm.size(), row.decodedPackets * 320 * 2);
    EXPECT_EQ(decoder.SamplesWritten(), row.decodedPackets * 320);
    EXPECT_TRUE(pcm == penfiles::ReferenceDecode(file));
    // Only the PCM: no temporary file is left beside it.
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

TEST(PenFileGarbage, RandomPacketsDecodeAsLibopusDoesAndNeverCrash) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString opus = dir.filePath(QStringLiteral("rnd.opus"));
    const QString pcm = dir.filePath(QStringLiteral("rnd.pcm"));
    for (uint32_t seed = 1; seed <= 6; ++seed) {
        // Garbage alone, and garbage between good packets (the decoder state carries over).
        const QByteArray garbage = penfiles::RandomBytes(40 * 500 + 13, seed);
        const QByteArray mixed =
            penfiles::EncodePackets(50, seed) + garbage.left(400) + penfiles::EncodePackets(50);
        for (const QByteArray& file : {garbage, mixed}) {
            ASSERT_TRUE(penfiles::WriteFile(opus, file));
            COpusPenDecoder decoder;
            ASSERT_EQ(decoder.DecodeFile(opus, pcm), Outcome::Done) << "seed " << seed;
            EXPECT_TRUE(penfiles::ReadFile(pcm) == penfiles::ReferenceDecode(file))
                << "seed " << seed;
        }
    }
}

struct RefusedCase {
    const char* name;
    Outcome outcome;
};

class RefusedPenFileTest : public ::testing::TestWithParam<RefusedCase> {};

INSTANTIATE_TEST_SUITE_P(Refusals, RefusedPenFileTest,
                         ::testing::Values(RefusedCase{"Ogg", Outcome::NotPenFile},
                                           RefusedCase{"Missing", Outcome::OpenFailed},
                                           RefusedCase{"NoPcmFolder", Outcome::WriteFailed},
                                           RefusedCase{"Cancelled", Outcome::Cancelled}),
                         [](const ::testing::TestParamInfo<RefusedCase>& info) {
                             return std::string(info.param.name);
                         });

// A refused file leaves nothing new behind and an earlier PCM of that name as it was.
TEST_P(RefusedPenFileTest, NothingIsWrittenAndAnEarlierPcmStays) {
    const RefusedCase& row = GetParam();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QString opus = dir.filePath(QStringLiteral("in.opus"));
    QString pcm = dir.filePath(QStringLiteral("out.pcm"));
    ASSERT_TRUE(WriteFile(pcm, "earlier"));
    std::atomic<bool> cancel{false};
    const std::string name = row.name;
    if (name == "Ogg")
        ASSERT_TRUE(WriteFile(opus, "OggS" + penfiles::EncodePackets(20)));
    else
        ASSERT_TRUE(WriteFile(opus, penfiles::EncodePackets(20)));
    if (name == "Missing")
        opus = dir.filePath(QStringLiteral("gone.opus"));
    if (name == "NoPcmFolder")
        pcm = dir.filePath(QStringLiteral("no/such/out.pcm"));
    if (name == "Cancelled")
        cancel = true;

    COpusPenDecoder decoder;
    EXPECT_EQ(decoder.DecodeFile(opus, pcm, &cancel), row.outcome);
    EXPECT_EQ(ReadFile(dir.filePath(QStringLiteral("out.pcm"))), QByteArray("earlier"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

} // namespace
