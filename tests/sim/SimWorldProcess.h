#pragma once

#include <json/value.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// A velmora-sim world served by a child process on a private socket for the whole test
// program. The socket is named in VELMORA_SIMULATOR before main(), so the platform layer of
// this process uses the simulator back ends.
class SimWorldProcess {
public:
    static const std::string& SocketPath();
    static std::string ToolPath();
    // Runs "velmora-sim --socket S ARGS"; returns the exit code, stdout in output.
    static int Run(const std::string& args, std::string* output = nullptr);
    // The newest event's seq (0 when none).
    static int64_t LastSeq();
    // Events logged after seq, oldest first.
    static std::vector<Json::Value> EventsAfter(int64_t seq);
    // Reads the events after seq until done() holds for them; false when it still does not
    // after the limit, which only guards against a hang.
    static bool WaitForEvents(int64_t seq,
                              const std::function<bool(const std::vector<Json::Value>&)>& done,
                              std::chrono::seconds limit = std::chrono::seconds(30));
};
