#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <QTemporaryDir>

namespace enginetest {

inline const char* const kGoForward = "/usr/share/pocketsphinx/test/data/goforward.raw";
inline const char* const kGoForwardText = "go forward ten meters";

inline std::vector<char> ReadBytes(const char* path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(file), {});
}

// Quiet room noise of the given length at 16 kHz: small random samples, never digital silence.
inline std::vector<char> RoomNoise(int ms, std::uint32_t seed = 7) {
    std::vector<char> bytes;
    bytes.reserve(static_cast<std::size_t>(ms) * 32);
    for (int i = 0; i < ms * 16; ++i) {
        seed = seed * 1103515245u + 12345u;
        const auto sample = static_cast<std::int16_t>(int((seed >> 16) % 9) - 4);
        bytes.push_back(static_cast<char>(sample & 0xFF));
        bytes.push_back(static_cast<char>((static_cast<std::uint16_t>(sample) >> 8) & 0xFF));
    }
    return bytes;
}

// A program home of its own for the test program (no endpoints.ini: the live stream stays off).
class ProgramHome : public ::testing::Environment {
public:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        setenv("VELMORA_HOME", m_dir.path().toUtf8().constData(), 1);
    }
    static std::string Path() { return std::getenv("VELMORA_HOME"); }

private:
    QTemporaryDir m_dir;
};

} // namespace enginetest
