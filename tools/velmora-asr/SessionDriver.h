#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Runs one recognition session over a recording the way the recognition engine drives the
// library: 200 ms writes, a result fetched whenever a write says one is ready, the session
// closed at the end point or after the last (empty) block once recognition is complete.
class SessionDriver {
public:
    static constexpr std::size_t kBlockBytes = 6400;

    // Returns 0 or the library's error code; every result text goes to onResult in order.
    static int Run(const std::vector<uint8_t>& pcm, const std::string& params,
                   const std::function<void(const char*)>& onResult);
};
