#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

// Pen recordings made with the real libopus encoder, and the PCM a plain libopus decode of them
// gives, to hold the store's output against.
namespace penfiles {

// Packets of 20 ms of 16 kHz mono speech-like sound (two tones and noise, fixed seed), hard
// CBR at 16 kbit/s so each is exactly 40 bytes, as the pen writes them.
QByteArray EncodePackets(int packets, uint32_t seed = 1);

// The PCM (s16le) of decoding data in 40-byte packets with one libopus decoder: each whole
// packet into at most 1280 samples, a packet that gives none adds nothing, a tail ignored.
QByteArray ReferenceDecode(const QByteArray& data);

// Bytes of a fixed pseudo-random sequence.
QByteArray RandomBytes(int size, uint32_t seed);

bool WriteFile(const QString& path, const QByteArray& bytes);
QByteArray ReadFile(const QString& path);

} // namespace penfiles
