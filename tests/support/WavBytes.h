#pragma once

#include <cmath>
#include <cstdint>
#include <string>

namespace testsupport {

// A canonical 44-byte-header WAV of a 440 Hz tone: 16-bit mono at `sampleRate`, `durationMs`
// long.
inline std::string MakeToneWav(int durationMs, int sampleRate = 16000) {
    const std::uint32_t samples =
        static_cast<std::uint32_t>(static_cast<std::int64_t>(sampleRate) * durationMs / 1000);
    const std::uint32_t dataBytes = samples * 2;
    std::string wav;
    auto put32 = [&wav](std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            wav.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    };
    auto put16 = [&wav](std::uint16_t v) {
        wav.push_back(static_cast<char>(v & 0xFF));
        wav.push_back(static_cast<char>(v >> 8));
    };
    wav += "RIFF";
    put32(dataBytes + 36);
    wav += "WAVEfmt ";
    put32(16);
    put16(1);
    put16(1);
    put32(static_cast<std::uint32_t>(sampleRate));
    put32(static_cast<std::uint32_t>(sampleRate) * 2);
    put16(2);
    put16(16);
    wav += "data";
    put32(dataBytes);
    for (std::uint32_t i = 0; i < samples; ++i) {
        const double phase = 2.0 * 3.14159265358979 * 440.0 * i / sampleRate;
        put16(static_cast<std::uint16_t>(static_cast<std::int16_t>(8000.0 * std::sin(phase))));
    }
    return wav;
}

} // namespace testsupport
