#include "records/COpusPenDecoder.h"

#include <QFile>
#include <QSaveFile>
#include <QtEndian>

#include <opus.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

// 64 KiB-ish of packets per read and about 1 MiB of PCM per write: few system calls, small
// memory whatever the file's length.
constexpr int kPacketsPerRead = 1600;
constexpr std::size_t kFlushSamples = 512 * 1024;

struct DecoderDeleter {
    void operator()(OpusDecoder* decoder) const { opus_decoder_destroy(decoder); }
};
using DecoderPtr = std::unique_ptr<OpusDecoder, DecoderDeleter>;

// Fills buffer as far as the file allows; the count read, or -1 on a read error.
qint64 ReadFully(QFile& file, char* buffer, qint64 size) {
    qint64 total = 0;
    while (total < size) {
        const qint64 got = file.read(buffer + total, size - total);
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        total += got;
    }
    return total;
}

bool WriteSamples(QSaveFile& out, std::vector<opus_int16>& samples) {
    if (samples.empty())
        return true;
    if constexpr (Q_BYTE_ORDER != Q_LITTLE_ENDIAN) {
        for (opus_int16& sample : samples)
            sample = qToLittleEndian(sample);
    }
    const auto bytes = static_cast<qint64>(samples.size() * sizeof(opus_int16));
    const bool written = out.write(reinterpret_cast<const char*>(samples.data()), bytes) == bytes;
    samples.clear();
    return written;
}

bool Cancelled(const std::atomic<bool>* cancel) {
    return cancel != nullptr && cancel->load(std::memory_order_relaxed);
}

} // namespace

const char* COpusPenDecoder::OutcomeText(Outcome outcome) {
    switch (outcome) {
    case Outcome::Done:
        return "done";
    case Outcome::NotPenFile:
        return "an Ogg file, not the pen's packets";
    case Outcome::OpenFailed:
        return "cannot be opened";
    case Outcome::ReadFailed:
        return "reading failed";
    case Outcome::WriteFailed:
        return "the PCM file cannot be written";
    case Outcome::DecoderFailed:
        return "no Opus decoder";
    case Outcome::Cancelled:
        return "cancelled";
    }
    return "";
}

COpusPenDecoder::Outcome COpusPenDecoder::DecodeFile(const QString& opusPath,
                                                     const QString& pcmPath,
                                                     const std::atomic<bool>* cancel) {
    m_samples = 0;
    QFile in(opusPath);
    if (!in.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return Outcome::OpenFailed;

    std::vector<char> packets(static_cast<std::size_t>(kPacketsPerRead) * kPacketBytes);
    qint64 got = ReadFully(in, packets.data(), static_cast<qint64>(packets.size()));
    if (got < 0)
        return Outcome::ReadFailed;
    if (got >= 4 && std::memcmp(packets.data(), "OggS", 4) == 0)
        return Outcome::NotPenFile;

    int error = OPUS_OK;
    const DecoderPtr decoder(opus_decoder_create(kSampleRate, kChannels, &error));
    if (!decoder || error != OPUS_OK)
        return Outcome::DecoderFailed;

    // Nothing is committed unless every step succeeds: the temporary file goes with `out`.
    QSaveFile out(pcmPath);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return Outcome::WriteFailed;

    std::vector<opus_int16> pcm;
    pcm.reserve(kFlushSamples + kMaxPacketSamples);
    long long samples = 0;
    for (;;) {
        if (Cancelled(cancel))
            return Outcome::Cancelled;
        const qint64 whole = got - got % kPacketBytes;
        for (qint64 at = 0; at < whole; at += kPacketBytes) {
            const std::size_t before = pcm.size();
            pcm.resize(before + kMaxPacketSamples);
            const int decoded =
                opus_decode(decoder.get(), reinterpret_cast<const unsigned char*>(&packets[at]),
                            kPacketBytes, pcm.data() + before, kMaxPacketSamples, 0);
            pcm.resize(before + static_cast<std::size_t>(decoded > 0 ? decoded : 0));
        }
        if (pcm.size() >= kFlushSamples) {
            samples += static_cast<long long>(pcm.size());
            if (!WriteSamples(out, pcm))
                return Outcome::WriteFailed;
        }
        // A short read is the end of the file; what is left of a packet there is dropped.
        if (got < static_cast<qint64>(packets.size()))
            break;
        got = ReadFully(in, packets.data(), static_cast<qint64>(packets.size()));
        if (got < 0)
            return Outcome::ReadFailed;
    }
    samples += static_cast<long long>(pcm.size());
    if (!WriteSamples(out, pcm) || !out.commit())
        return Outcome::WriteFailed;
    m_samples = samples;
    return Outcome::Done;
}
