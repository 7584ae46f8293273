#pragma once

#include <QString>

#include <cstdint>

// Wraps raw 16-bit PCM samples into a WAV file: the canonical 44-byte header (integer PCM,
// 16 bits a sample) followed by the samples unchanged. A final odd byte is half a sample and
// is dropped. Returns 0 on success; -1 when the PCM file cannot be opened or read ("Open pcm
// file error.\n" on standard output), or the WAV file cannot be created or written or its data
// would exceed what the 32-bit RIFF sizes hold ("Create wav file error.\n"). The WAV is
// written under a temporary name and renamed when complete: on failure wavPath is untouched.
// Any thread; blocks for the copy.
int ConvertPcmToWav(const QString& pcmPath, int channels, int sampleRate, const QString& wavPath);

namespace wav {
constexpr int kHeaderBytes = 44;
constexpr int kBitsPerSample = 16;
} // namespace wav
