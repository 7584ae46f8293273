#include "records/ConvertPcmToWav.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

namespace {

// Large blocks keep an hour of audio (115 MB) well under a second of copying.
constexpr std::size_t kCopyBlockBytes = 1 << 20;

// The RIFF size (data + 36) must fit its 32 bits.
constexpr long long kMaxDataBytes = 0xFFFFFFFFLL - 36;

void PutLe32(uint8_t* at, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<uint8_t>(value >> (8 * i));
}

void PutLe16(uint8_t* at, uint16_t value) {
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}

std::array<uint8_t, wav::kHeaderBytes> Header(uint32_t dataSize, int channels, int sampleRate) {
    std::array<uint8_t, wav::kHeaderBytes> h{};
    const auto bytesPerFrame = static_cast<uint32_t>(channels * wav::kBitsPerSample / 8);
    std::copy_n("RIFF", 4, h.begin());
    PutLe32(&h[4], dataSize + 36);
    std::copy_n("WAVE", 4, h.begin() + 8);
    std::copy_n("fmt ", 4, h.begin() + 12);
    PutLe32(&h[16], 16);
    PutLe16(&h[20], 1);
    PutLe16(&h[22], static_cast<uint16_t>(channels));
    PutLe32(&h[24], static_cast<uint32_t>(sampleRate));
    PutLe32(&h[28], static_cast<uint32_t>(sampleRate) * bytesPerFrame);
    PutLe16(&h[32], static_cast<uint16_t>(bytesPerFrame));
    PutLe16(&h[34], wav::kBitsPerSample);
    std::copy_n("data", 4, h.begin() + 36);
    PutLe32(&h[40], dataSize);
    return h;
}

enum class CopyError { None, Read, Write, TooLarge };

// Copies whole samples from in to out, counting them in copied.
CopyError CopySamples(QFile& in, QSaveFile& out, long long& copied) {
    std::vector<char> block(kCopyBlockBytes + 1);
    qint64 carried = 0; // an odd byte held back until its partner comes
    copied = 0;
    for (;;) {
        const qint64 got = in.read(block.data() + carried, kCopyBlockBytes);
        if (got < 0)
            return CopyError::Read;
        if (got == 0)
            return CopyError::None;
        const qint64 have = carried + got;
        const qint64 even = have & ~qint64{1};
        copied += even;
        if (copied > kMaxDataBytes)
            return CopyError::TooLarge;
        if (out.write(block.data(), even) != even)
            return CopyError::Write;
        carried = have - even;
        if (carried != 0)
            block[0] = block[static_cast<std::size_t>(even)];
    }
}

int Fail(const char* message) {
    std::printf("%s", message);
    return -1;
}

constexpr char kOpenPcmError[] = "Open pcm file error.\n";
constexpr char kCreateWavError[] = "Create wav file error.\n";

} // namespace

// The WAV is written under a temporary name and takes wavPath only once complete, so a failure
// never leaves a partial WAV there (an earlier WAV of that name stays as it was).
int ConvertPcmToWav(const QString& pcmPath, int channels, int sampleRate, const QString& wavPath) {
    QFile in(pcmPath);
    if (!in.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return Fail(kOpenPcmError);
    // Known too large before anything is written; the copy checks again for a growing file.
    if ((in.size() & ~qint64{1}) > kMaxDataBytes)
        return Fail(kCreateWavError);
    QSaveFile out(wavPath);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return Fail(kCreateWavError);
    // The header's sizes are known only after the copy: room is left for it first.
    const auto placeholder = Header(0, channels, sampleRate);
    if (out.write(reinterpret_cast<const char*>(placeholder.data()), wav::kHeaderBytes) !=
        wav::kHeaderBytes)
        return Fail(kCreateWavError);
    long long copied = 0;
    switch (CopySamples(in, out, copied)) {
    case CopyError::None:
        break;
    case CopyError::Read:
        return Fail(kOpenPcmError);
    case CopyError::Write:
    case CopyError::TooLarge:
        return Fail(kCreateWavError);
    }
    const auto header = Header(static_cast<uint32_t>(copied), channels, sampleRate);
    if (!out.seek(0) ||
        out.write(reinterpret_cast<const char*>(header.data()), wav::kHeaderBytes) !=
            wav::kHeaderBytes ||
        !out.commit())
        return Fail(kCreateWavError);
    return 0;
}
