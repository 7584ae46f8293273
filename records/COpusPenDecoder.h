#pragma once

#include <QString>

#include <atomic>

// Turns a recording pen's Opus file into raw PCM (16 kHz, mono, signed 16-bit little-endian).
// The pen writes bare Opus packets of exactly kPacketBytes each, one after the other, with no
// header, container or length fields. Each whole packet decodes into at most kMaxPacketSamples
// samples; a packet that gives no sample (a decoder error) adds nothing, and a tail shorter than
// a packet is ignored. The file is read and the PCM written in blocks, so an hour of audio never
// sits in memory. Any thread; one object per thread (each file gets a fresh decoder).
class COpusPenDecoder {
public:
    enum class Outcome {
        Done,
        NotPenFile,    // begins "OggS": an Ogg stream, not the pen's bare packets
        OpenFailed,    // the Opus file is gone or cannot be read
        ReadFailed,    // reading stopped part-way (the volume went away)
        WriteFailed,   // the PCM file cannot be created, written or put in place
        DecoderFailed, // libopus refused to make a decoder
        Cancelled,
    };

    static constexpr int kSampleRate = 16000;
    static constexpr int kChannels = 1;
    static constexpr int kPacketBytes = 40;
    static constexpr int kMaxPacketSamples = 1280;

    // Decodes opusPath into pcmPath. The PCM is written under a temporary name and renamed when
    // complete, so pcmPath never holds a partial file; on any outcome but Done nothing is left
    // behind and an existing pcmPath is untouched. cancel (may be null) is polled between
    // blocks.
    Outcome DecodeFile(const QString& opusPath, const QString& pcmPath,
                       const std::atomic<bool>* cancel = nullptr);

    // Samples written by the last DecodeFile that returned Done.
    long long SamplesWritten() const { return m_samples; }

    static const char* OutcomeText(Outcome outcome);

private:
    long long m_samples = 0;
};
