#pragma once

#include <string>
#include <vector>

// The command-line side of velmora-sim: every command but "serve" is a client of a running
// world. Returns the process exit code; messages go to standard error, results to standard
// output.
int RunSimCommand(const std::string& socketPath, const std::vector<std::string>& args);

// Pulls "--socket PATH" out of args; the default is $VELMORA_SIMULATOR.
std::string TakeSocketOption(std::vector<std::string>& args);
