#include "tools/velmora-asr/AudioFile.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {

constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatExtensible = 0xFFFE;

uint16_t Read16(const std::vector<uint8_t>& bytes, std::size_t at) {
    return uint16_t(bytes[at] | bytes[at + 1] << 8);
}

uint32_t Read32(const std::vector<uint8_t>& bytes, std::size_t at) {
    return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
           uint32_t(bytes[at + 3]) << 24;
}

bool HasTag(const std::vector<uint8_t>& bytes, std::size_t at, const char* tag) {
    return bytes.size() >= at + 4 && std::memcmp(bytes.data() + at, tag, 4) == 0;
}

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

AudioFile::Loaded Refused(const std::string& why) {
    AudioFile::Loaded loaded;
    loaded.error = why;
    return loaded;
}

std::string FormatRefusal(uint16_t format, uint16_t channels, uint32_t rate, uint16_t bits) {
    return "the WAV audio is format " + std::to_string(format) + ", " + std::to_string(rate) +
           " Hz, " + std::to_string(channels) + " channel(s), " + std::to_string(bits) +
           " bits; 16000 Hz mono 16-bit PCM is needed";
}

} // namespace

AudioFile::Loaded AudioFile::Load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return Refused("cannot read " + path + ": " + std::strerror(errno));
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
    if (HasTag(bytes, 0, "RIFF"))
        return FromWav(bytes);
    if (EndsWith(path, ".wav") || EndsWith(path, ".WAV"))
        return Refused(path + " is not a WAV file (no RIFF header)");
    if (!EndsWith(path, ".raw") && !EndsWith(path, ".pcm"))
        return Refused(path + " is neither a WAV file nor raw 16 kHz mono 16-bit audio (.raw)");
    Loaded loaded;
    loaded.ok = true;
    loaded.pcm = std::move(bytes);
    return loaded;
}

AudioFile::Loaded AudioFile::FromWav(const std::vector<uint8_t>& bytes) {
    if (bytes.size() < 12 || !HasTag(bytes, 0, "RIFF") || !HasTag(bytes, 8, "WAVE"))
        return Refused("the WAV header is truncated or not RIFF/WAVE");
    bool formatSeen = false;
    std::size_t at = 12;
    while (at + 8 <= bytes.size()) {
        const uint32_t size = Read32(bytes, at + 4);
        const std::size_t body = at + 8;
        if (HasTag(bytes, at, "fmt ")) {
            if (size < 16 || body + 16 > bytes.size())
                return Refused("the WAV header is truncated (format chunk)");
            uint16_t format = Read16(bytes, body);
            const uint16_t channels = Read16(bytes, body + 2);
            const uint32_t rate = Read32(bytes, body + 4);
            const uint16_t bits = Read16(bytes, body + 14);
            // An extensible header names its real format in the first two bytes of its GUID.
            if (format == kFormatExtensible && size >= 26 && body + 26 <= bytes.size())
                format = Read16(bytes, body + 24);
            if (format != kFormatPcm || channels != 1 || rate != 16000 || bits != 16)
                return Refused(FormatRefusal(format, channels, rate, bits));
            formatSeen = true;
        } else if (HasTag(bytes, at, "data")) {
            if (!formatSeen)
                return Refused("the WAV header has no format chunk before its data");
            Loaded loaded;
            loaded.ok = true;
            const std::size_t available = bytes.size() - body;
            if (size > available && size != 0xFFFFFFFFu)
                loaded.warning = "the WAV data is shorter than its header says; using the " +
                                 std::to_string(available) + " bytes present";
            loaded.pcm.assign(bytes.begin() + std::ptrdiff_t(body),
                              bytes.begin() +
                                  std::ptrdiff_t(body + std::min<std::size_t>(size, available)));
            return loaded;
        }
        at = body + size + (size % 2);
    }
    return Refused("the WAV header is truncated (no data chunk)");
}
