#pragma once

#include <functional>
#include <string>

namespace platform {

// A request of the simulator's tools to act on one of the program's windows, as a user would
// (velmora-sim grab WINDOW FILE, ...). window is the window's class name ("MainWnd").
struct SimUiRequest {
    std::string action;
    std::string window;
    std::string file;
};

// Carries out one request; returns an empty text when done, else what went wrong. Runs on a
// background thread.
using SimUiRequestHandler = std::function<std::string(const SimUiRequest&)>;

// While a simulator is attached, hands its window requests to the handler until
// StopServingSimUiRequests(). Does nothing (and returns false) without a simulator.
bool ServeSimUiRequests(SimUiRequestHandler handler);
void StopServingSimUiRequests();

} // namespace platform
