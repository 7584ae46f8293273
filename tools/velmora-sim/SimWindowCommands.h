#pragma once

#include "platform/sim/SimClient.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

// The commands that act on the program's windows as a user would (click, type, choose, slide,
// query, tray) and those that queue the answers to its message boxes and pickers (answer, file,
// folder). Each returns the process exit code: 0 done, 1 refused by the program (window or
// control absent, hidden or disabled), 2 bad usage or no world.
using SimCommand =
    std::function<int(platform::sim::SimClient&, const std::vector<std::string>& args)>;
std::map<std::string, SimCommand> SimWindowCommands();
