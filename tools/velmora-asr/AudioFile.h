#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A recording to recognise: 16 kHz mono 16-bit PCM, from a WAV file or a raw (.raw/.pcm) file.
class AudioFile {
public:
    struct Loaded {
        bool ok = false;
        std::string error;   // why the file was refused
        std::string warning; // a readable file with a problem worth telling (short data)
        std::vector<uint8_t> pcm;
    };

    static Loaded Load(const std::string& path);
    // Reads a WAV image; refuses a truncated header and any format but 16 kHz mono s16.
    static Loaded FromWav(const std::vector<uint8_t>& bytes);
};
