#pragma once

#include <QByteArray>

#include <cstdint>
#include <optional>

namespace platform::sim {

// The playing time of a RIFF/WAVE sound from its first bytes (`head`, at least up to the start
// of the "data" chunk) and the length of the whole file or body. The data chunk counts only as
// far as the bytes that are really there, so a cut-short file plays for what it holds. Nothing
// when the bytes are no WAV (no RIFF/WAVE, no format chunk before the data, a byte rate of 0).
std::optional<std::int64_t> WavDurationMs(const QByteArray& head, std::int64_t totalBytes);

// How many leading bytes WavDurationMs needs at most.
inline constexpr int kWavHeadBytes = 64 * 1024;

} // namespace platform::sim
