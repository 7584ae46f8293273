#include "records/ConvertPcmToWav.h"

#include <QFile>

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

// Large blocks keep an hour of audio (115 MB) well under a second of copying.
constexpr std::size_t kCopyBlockBytes = 1 << 20;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

FilePtr OpenFile(const QString& path, const char* mode) {
    return FilePtr(std::fopen(QFile::encodeName(path).constData(), mode));
}

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

// Copies whole samples from in to out; the count of bytes copied, or -1 on a write error.
long long CopySamples(std::FILE* in, std::FILE* out) {
    std::vector<char> block(kCopyBlockBytes + 1);
    std::size_t carried = 0; // an odd byte held back until its partner comes
    long long copied = 0;
    for (;;) {
        const std::size_t got = std::fread(block.data() + carried, 1, kCopyBlockBytes, in);
        if (got == 0)
            break;
        const std::size_t have = carried + got;
        const std::size_t even = have & ~std::size_t{1};
        if (std::fwrite(block.data(), 1, even, out) != even)
            return -1;
        copied += static_cast<long long>(even);
        carried = have - even;
        if (carried != 0)
            block[0] = block[even];
    }
    return copied;
}

} // namespace

int ConvertPcmToWav(const QString& pcmPath, int channels, int sampleRate, const QString& wavPath) {
    FilePtr in = OpenFile(pcmPath, "rb");
    if (!in) {
        std::printf("Open pcm file error.\n");
        return -1;
    }
    FilePtr out = OpenFile(wavPath, "wb");
    if (!out) {
        std::printf("Create wav file error.\n");
        return -1;
    }
    // The header's sizes are known only after the copy: room is left for it first.
    const auto placeholder = Header(0, channels, sampleRate);
    const long long copied =
        std::fwrite(placeholder.data(), 1, placeholder.size(), out.get()) == placeholder.size()
            ? CopySamples(in.get(), out.get())
            : -1;
    if (copied < 0 || copied > 0xFFFFFFFFLL - 36) {
        std::printf("Create wav file error.\n");
        return -1;
    }
    const auto header = Header(static_cast<uint32_t>(copied), channels, sampleRate);
    if (std::fseek(out.get(), 0, SEEK_SET) != 0 ||
        std::fwrite(header.data(), 1, header.size(), out.get()) != header.size() ||
        std::fclose(out.release()) != 0) {
        std::printf("Create wav file error.\n");
        return -1;
    }
    return 0;
}
