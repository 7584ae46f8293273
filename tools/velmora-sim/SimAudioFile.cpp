#include "SimAudioFile.h"

#include <cstdint>
#include <fstream>
#include <sstream>

namespace {

// Ten minutes is far more than one dictation; a bigger file is almost certainly a mistake.
constexpr size_t kMaxBytes = 600 * 32000;
constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatExtensible = 0xFFFE;

uint16_t U16(const std::string& b, size_t at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1])
                                                                   << 8);
}

uint32_t U32(const std::string& b, size_t at) {
    return static_cast<uint32_t>(U16(b, at)) | static_cast<uint32_t>(U16(b, at + 2)) << 16;
}

bool CheckFormat(const std::string& fmt, std::string& error) {
    if (fmt.size() < 16) {
        error = "the WAV format chunk is too short";
        return false;
    }
    uint16_t tag = U16(fmt, 0);
    if (tag == kFormatExtensible && fmt.size() >= 26)
        tag = U16(fmt, 24); // the first two bytes of the sub-format GUID
    const unsigned channels = U16(fmt, 2);
    const unsigned rate = U32(fmt, 4);
    const unsigned bits = U16(fmt, 14);
    if (tag == kFormatPcm && channels == 1 && rate == 16000 && bits == 16)
        return true;
    std::ostringstream text;
    text << "the WAV file holds "
         << (tag == kFormatPcm ? "PCM" : "non-PCM (format " + std::to_string(tag) + ")")
         << " audio at " << rate << " Hz, " << channels << " channel(s), " << bits
         << " bits; the microphone plays 16000 Hz mono 16-bit PCM only "
            "(convert with: sox IN -r 16000 -c 1 -b 16 -e signed-integer OUT.wav)";
    error = text.str();
    return false;
}

} // namespace

bool ParseMicrophoneWav(const std::string& image, std::string& pcm, std::string& error) {
    if (image.size() < 12 || image.compare(0, 4, "RIFF") != 0 || image.compare(8, 4, "WAVE") != 0) {
        error = "not a RIFF/WAVE file";
        return false;
    }
    bool formatSeen = false;
    size_t at = 12;
    while (at + 8 <= image.size()) {
        const std::string id = image.substr(at, 4);
        const uint32_t size = U32(image, at + 4);
        const size_t body = at + 8;
        if (size > image.size() - body) {
            error = "the WAV file is truncated: chunk \"" + id + "\" declares " +
                    std::to_string(size) + " bytes, " + std::to_string(image.size() - body) +
                    " remain";
            return false;
        }
        if (id == "fmt ") {
            if (!CheckFormat(image.substr(body, size), error))
                return false;
            formatSeen = true;
        } else if (id == "data") {
            if (!formatSeen) {
                error = "the WAV data chunk comes before its format chunk";
                return false;
            }
            if (size % 2 != 0) {
                error = "the WAV data chunk holds half a sample";
                return false;
            }
            pcm = image.substr(body, size);
            return true;
        }
        at = body + size + (size % 2); // chunks are padded to even sizes
    }
    error = formatSeen ? "the WAV file has no data chunk" : "the WAV file has no format chunk";
    return false;
}

bool LoadMicrophoneAudio(const std::string& path, std::string& pcm, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot read " + path;
        return false;
    }
    std::ostringstream content;
    content << file.rdbuf();
    const std::string image = content.str();
    if (image.size() > kMaxBytes + 4096) {
        error = path + " is longer than ten minutes of 16 kHz mono audio";
        return false;
    }
    bool ok = true;
    if (image.compare(0, 4, "RIFF") == 0) {
        ok = ParseMicrophoneWav(image, pcm, error);
    } else if (image.size() % 2 != 0) {
        error = "raw audio must be whole 16-bit samples; the file has an odd byte count";
        ok = false;
    } else {
        pcm = image;
    }
    if (ok && pcm.empty()) {
        error = "the file holds no audio";
        ok = false;
    }
    if (!ok)
        error = path + ": " + error;
    return ok;
}
