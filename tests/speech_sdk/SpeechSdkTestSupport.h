#pragma once

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace speechsdktest {

inline const char* kGoForward = "/usr/share/pocketsphinx/test/data/goforward.raw";

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// A quiet room: deterministic noise a few steps above zero, 16 kHz s16.
inline std::vector<uint8_t> RoomNoise(int ms) {
    std::vector<uint8_t> bytes;
    uint32_t state = 12345;
    for (int i = 0; i < ms * 16; ++i) {
        state = state * 1103515245u + 12345u;
        const auto sample = static_cast<int16_t>(int((state >> 16) % 9) - 4);
        bytes.push_back(uint8_t(sample & 0xFF));
        bytes.push_back(uint8_t((uint16_t(sample) >> 8) & 0xFF));
    }
    return bytes;
}

inline void Append(std::vector<uint8_t>& to, const std::vector<uint8_t>& more) {
    to.insert(to.end(), more.begin(), more.end());
}

inline void Put16(std::vector<uint8_t>& out, uint16_t value) {
    out.push_back(uint8_t(value & 0xFF));
    out.push_back(uint8_t(value >> 8));
}

inline void Put32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(uint8_t((value >> shift) & 0xFF));
}

// A canonical 44-byte-header WAV around the given sample bytes.
inline std::vector<uint8_t> Wav(const std::vector<uint8_t>& data, uint32_t rate = 16000,
                                uint16_t channels = 1, uint16_t bits = 16, uint16_t format = 1) {
    std::vector<uint8_t> out{'R', 'I', 'F', 'F'};
    Put32(out, uint32_t(36 + data.size()));
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    Put32(out, 16);
    Put16(out, format);
    Put16(out, channels);
    Put32(out, rate);
    Put32(out, rate * channels * bits / 8);
    Put16(out, uint16_t(channels * bits / 8));
    Put16(out, bits);
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    Put32(out, uint32_t(data.size()));
    Append(out, data);
    return out;
}

} // namespace speechsdktest
