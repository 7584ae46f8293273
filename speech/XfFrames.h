#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Text frames of the first vendor's streaming dictation and its result messages.

// "common" + "business" + "data" with status 0 and the first audio block.
std::string BuildXfFirstFrame(const std::string& appId, const std::string& language,
                              const std::uint8_t* audio, std::size_t length);
// "data" with status 1 and one more audio block.
std::string BuildXfContinuingFrame(const std::uint8_t* audio, std::size_t length);
// "data" with status 2 and no audio.
std::string BuildXfLastFrame();

struct XfResult {
    int status = -1;   // "data"."status"; 2 on the vendor's last result, -1 when absent
    bool last = false; // "data"."result"."ls"
    std::string text;  // every "w" of every "cw" of every "ws", in order
};

// False for a message that is not JSON or whose members have unexpected types; a JSON
// object without "data" (an error reply) gives an empty result and true.
bool ParseXfResult(const std::string& message, XfResult& result);
