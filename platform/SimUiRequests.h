#pragma once

#include <json/value.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace platform {

// A request of the simulator's tools to act on one of the program's windows, as a user would
// (velmora-sim click WINDOW CONTROL, grab WINDOW FILE, ...). window is the window's class name
// ("MainWnd"); control the object name of one of its controls.
struct SimUiRequest {
    std::string action; // grab, click, type, choose, slide, query, tray
    std::string window;
    std::string control;
    std::string file;           // grab: absolute path of the picture
    std::string text;           // type: the new text; choose: the item's name; tray: left or right
    std::optional<int64_t> tag; // the instance of the control inside the list row with this tag
    std::optional<int> index;   // choose: the item's position
    std::optional<int> value;   // slide: the slider's new value
};

// The program's answer: error empty when done; result holds what a query read.
struct SimUiReply {
    std::string error;
    Json::Value result;
};

// Carries out one request. Runs on a background thread.
using SimUiRequestHandler = std::function<SimUiReply(const SimUiRequest&)>;

// While a simulator is attached, hands its window requests to the handler until
// StopServingSimUiRequests(). Does nothing (and returns false) without a simulator.
bool ServeSimUiRequests(SimUiRequestHandler handler);
void StopServingSimUiRequests();

} // namespace platform
