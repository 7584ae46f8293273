#pragma once

#include "sim/SimWorldProcess.h"

#include <json/value.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

// The simulator's tools run against this test program as the program side: while a tool runs,
// the test's thread (the UI thread) keeps its event loop turning so the input can be carried out.
struct ToolRun {
    int code = -1;
    std::string output; // standard output and error
};
ToolRun RunTool(const std::string& args);

// Turns the event loop until done() holds; false after the limit, which only guards a hang.
bool SpinUntil(const std::function<bool()>& done,
               std::chrono::seconds limit = std::chrono::seconds(30));

// Events after seq, waiting (with the event loop turning) until one of the kind matches.
std::vector<Json::Value> EventsOfKind(int64_t seq, const std::string& kind);
bool WaitForEvent(int64_t seq, const std::function<bool(const Json::Value&)>& match,
                  Json::Value* found = nullptr);

// One JSON object from a line of text; null when it is none.
Json::Value ParseJson(const std::string& text);
