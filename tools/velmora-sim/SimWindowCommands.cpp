#include "SimWindowCommands.h"

#include "SimConnection.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>

using platform::sim::SimClient;

namespace {

using Args = std::vector<std::string>;

// A window request waits for the program's UI thread, which may be busy drawing.
constexpr int kWindowReplyTimeoutMs = 15000;
constexpr int kQueueReplyTimeoutMs = 5000;

int Usage(const std::string& message) {
    std::cerr << "velmora-sim: " << message << "\n";
    return 2;
}

// Positional arguments and the numeric options --tag, --index.
struct WindowArgs {
    Args positional;
    std::optional<int64_t> tag;
    std::optional<int64_t> index;
    std::string error;
};

bool ToWhole(const std::string& text, int64_t& out) {
    if (text.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (*end != '\0' || errno != 0)
        return false;
    out = v;
    return true;
}

WindowArgs ParseWindowArgs(const Args& args) {
    WindowArgs parsed;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--tag" || a == "--index") {
            int64_t value = 0;
            if (i + 1 >= args.size() || !ToWhole(args[i + 1], value)) {
                parsed.error = a + " takes a whole number";
                return parsed;
            }
            (a == "--tag" ? parsed.tag : parsed.index) = value;
            ++i;
        } else {
            parsed.positional.push_back(a);
        }
    }
    return parsed;
}

// Sends a request the program carries out; prints the result when there is one.
int AskProgram(SimClient& client, const Json::Value& request) {
    const Json::Value reply = client.Request(request, kWindowReplyTimeoutMs);
    if (reply.isNull())
        return Usage("no reply from the simulator");
    if (!reply.get("ok", false).asBool()) {
        std::cerr << "velmora-sim: " << reply.get("error", "refused").asString() << "\n";
        return 1;
    }
    if (reply.isMember("result"))
        std::cout << JsonLine(reply["result"]) << std::flush;
    return 0;
}

int AskWorld(SimClient& client, const Json::Value& request) {
    const Json::Value reply = client.Request(request, kQueueReplyTimeoutMs);
    if (reply.isNull())
        return Usage("no reply from the simulator");
    if (!reply.get("ok", false).asBool())
        return Usage(reply.get("error", "refused").asString());
    return 0;
}

Json::Value ControlRequest(const char* op, const WindowArgs& args) {
    Json::Value request;
    request["op"] = op;
    request["window"] = args.positional[0];
    request["control"] = args.positional[1];
    if (args.tag)
        request["tag"] = static_cast<Json::Int64>(*args.tag);
    return request;
}

int Click(SimClient& client, const Args& raw) {
    const WindowArgs args = ParseWindowArgs(raw);
    if (!args.error.empty() || args.positional.size() != 2 || args.index)
        return Usage("usage: click WINDOW CONTROL [--tag N]");
    return AskProgram(client, ControlRequest("click", args));
}

int Type(SimClient& client, const Args& raw) {
    const WindowArgs args = ParseWindowArgs(raw);
    if (!args.error.empty() || args.positional.size() != 3 || args.index)
        return Usage("usage: type WINDOW CONTROL TEXT [--tag N]");
    Json::Value request = ControlRequest("type", args);
    request["text"] = args.positional[2];
    return AskProgram(client, request);
}

int Choose(SimClient& client, const Args& raw) {
    const WindowArgs args = ParseWindowArgs(raw);
    const size_t want = args.index ? 2 : 3;
    if (!args.error.empty() || args.positional.size() != want ||
        (args.index && (*args.index < 0 || *args.index > INT32_MAX)))
        return Usage("usage: choose WINDOW CONTROL ITEM [--tag N] | choose WINDOW CONTROL "
                     "--index N [--tag N]");
    Json::Value request = ControlRequest("choose", args);
    if (args.index)
        request["index"] = static_cast<int>(*args.index);
    else
        request["item"] = args.positional[2];
    return AskProgram(client, request);
}

int Slide(SimClient& client, const Args& raw) {
    const WindowArgs args = ParseWindowArgs(raw);
    int64_t value = 0;
    if (!args.error.empty() || args.positional.size() != 3 || args.index ||
        !ToWhole(args.positional[2], value) || value < INT32_MIN || value > INT32_MAX)
        return Usage("usage: slide WINDOW CONTROL VALUE [--tag N]");
    Json::Value request = ControlRequest("slide", args);
    request["value"] = static_cast<int>(value);
    return AskProgram(client, request);
}

int Query(SimClient& client, const Args& raw) {
    const WindowArgs args = ParseWindowArgs(raw);
    if (!args.error.empty() || args.positional.size() != 2 || args.index)
        return Usage("usage: query WINDOW CONTROL [--tag N]");
    return AskProgram(client, ControlRequest("query", args));
}

int Tray(SimClient& client, const Args& args) {
    if (args.size() != 1 || (args[0] != "left" && args[0] != "right"))
        return Usage("usage: tray left|right");
    Json::Value request;
    request["op"] = "tray";
    request["button"] = args[0];
    return AskProgram(client, request);
}

int Answer(SimClient& client, const Args& args) {
    if (args.size() != 1)
        return Usage("usage: answer ok|cancel|yes|no");
    Json::Value request;
    request["op"] = "answer";
    request["answer"] = args[0];
    return AskWorld(client, request);
}

// Absolute and without "." or ".." parts or a trailing separator, as a picker hands it over.
std::string AbsolutePath(const std::string& path) {
    std::string normal = std::filesystem::absolute(path).lexically_normal().string();
    while (normal.size() > 1 && normal.back() == '/')
        normal.pop_back();
    return normal;
}

int QueueDialogAnswer(const char* op, SimClient& client, const Args& args) {
    if (args.size() != 1 || args[0].empty())
        return Usage(std::string("usage: ") + op + " PATH|--cancel");
    Json::Value request;
    request["op"] = op;
    if (args[0] == "--cancel")
        request["cancel"] = true;
    else // the program reads the path from its own working folder
        request["path"] = AbsolutePath(args[0]);
    return AskWorld(client, request);
}

} // namespace

std::map<std::string, SimCommand> SimWindowCommands() {
    return {
        {"click", Click},
        {"type", Type},
        {"choose", Choose},
        {"slide", Slide},
        {"query", Query},
        {"tray", Tray},
        {"answer", Answer},
        {"file", [](SimClient& c, const Args& a) { return QueueDialogAnswer("file", c, a); }},
        {"folder", [](SimClient& c, const Args& a) { return QueueDialogAnswer("folder", c, a); }},
    };
}
