#pragma once

#include <json/value.h>

#include <cstdint>
#include <string>
#include <vector>

// One velmora-sim world for the whole test program, served by a child process on a private
// socket. VELMORA_SIMULATOR names it before main(), so this process's platform layer uses the
// simulator back ends from its first call on.
class MediaWorld {
public:
    // Runs "velmora-sim --socket S ARGS" and returns its exit code.
    static int Run(const std::string& args);
    // The newest event's seq (0 when none).
    static int64_t LastSeq();
    // Events logged after seq, oldest first, optionally of one kind.
    static std::vector<Json::Value> EventsAfter(int64_t seq, const std::string& kind = "");
    // A file in a private temporary folder, written with these bytes.
    static std::string WriteFile(const std::string& name, const std::string& bytes);
};
