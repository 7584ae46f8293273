#pragma once

#include <string>

// A velmora-sim world served by a child process on a private socket for the whole test
// program. The socket is named in VELMORA_SIMULATOR before main(), so the platform layer of
// this process uses the simulator back ends.
class SimWorldProcess {
public:
    static const std::string& SocketPath();
    static std::string ToolPath();
    // Runs "velmora-sim --socket S ARGS"; returns the exit code, stdout in output.
    static int Run(const std::string& args, std::string* output = nullptr);
};
