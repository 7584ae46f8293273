#pragma once

#include <QString>

#include <cstdint>

// Wraps raw 16-bit PCM samples into a WAV file: the canonical 44-byte header (integer PCM,
// 16 bits a sample) followed by the samples unchanged. A final odd byte is half a sample and
// is dropped. Returns 0 on success; -1 when the PCM file cannot be opened ("Open pcm file
// error.\n" on standard output) or the WAV file cannot be created or written ("Create wav
// file error.\n"); a partly written WAV then stays. Any thread; blocks for the copy.
int ConvertPcmToWav(const QString& pcmPath, int channels, int sampleRate, const QString& wavPath);

namespace wav {
constexpr int kHeaderBytes = 44;
constexpr int kBitsPerSample = 16;
} // namespace wav
