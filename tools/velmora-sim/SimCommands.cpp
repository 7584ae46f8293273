#include "SimCommands.h"

#include "SimAudioFile.h"
#include "SimConnection.h"
#include "SimWindowCommands.h"
#include "platform/sim/SimClient.h"
#include "platform/sim/SimHex.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>

using platform::sim::SimClient;

namespace {

using Args = std::vector<std::string>;

// A window request waits for the program's UI thread, which may be busy drawing.
constexpr int kWindowReplyTimeoutMs = 15000;

int Fail(const std::string& message) {
    std::cerr << "velmora-sim: " << message << "\n";
    return 2;
}

// "--name VALUE" options after the positional arguments; repeated names collect all values.
struct Options {
    Args positional;
    std::multimap<std::string, std::string> named;
    std::vector<std::string> flags;
    bool Has(const std::string& flag) const {
        for (const auto& f : flags)
            if (f == flag)
                return true;
        return false;
    }
    std::string Get(const std::string& name, const std::string& fallback = "") const {
        auto it = named.find(name);
        return it == named.end() ? fallback : it->second;
    }
};

Options ParseOptions(const Args& args, const std::vector<std::string>& valueOptions) {
    Options options;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.rfind("--", 0) != 0) {
            options.positional.push_back(a);
            continue;
        }
        const std::string name = a.substr(2);
        bool takesValue = false;
        for (const auto& v : valueOptions)
            takesValue |= v == name;
        if (takesValue && i + 1 < args.size())
            options.named.emplace(name, args[++i]);
        else
            options.flags.push_back(name);
    }
    return options;
}

// Sends one request and turns the reply into the exit code.
int Simple(SimClient& client, const Json::Value& request) {
    Json::Value reply = client.Request(request, 5000);
    if (reply.isNull())
        return Fail("no reply from the simulator");
    if (!reply.get("ok", false).asBool())
        return Fail(reply.get("error", "request refused").asString());
    return 0;
}

bool ToInt(const std::string& text, int base, int& out) {
    if (text.empty())
        return false;
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, base);
    if (*end != '\0' || v < 0 || v > 0xFFFF)
        return false;
    out = static_cast<int>(v);
    return true;
}

int Plug(SimClient& client, const Args& args) {
    Options o = ParseOptions(args, {"vid", "pid", "serial", "model", "dpi"});
    if (o.positional.size() != 1)
        return Fail("usage: plug KIND [--vid HEX --pid HEX --serial TEXT --model HEX --dpi N "
                    "--hid-later]");
    Json::Value request;
    request["op"] = "plug";
    request["device"] = o.positional[0];
    for (const char* name : {"vid", "pid", "serial"}) {
        if (o.named.count(name))
            request[name] = o.Get(name);
    }
    int value = 0;
    if (o.named.count("model")) {
        if (!ToInt(o.Get("model"), 16, value) || value > 0xFF)
            return Fail("--model is one hexadecimal byte");
        request["model"] = value;
    }
    if (o.named.count("dpi")) {
        if (!ToInt(o.Get("dpi"), 10, value) || value > 0xFF)
            return Fail("--dpi is a number 0-255");
        request["dpi"] = value;
    }
    if (o.Has("hid-later"))
        request["hid_later"] = true;
    return Simple(client, request);
}

int Hidraw(SimClient& client, const Args& args) {
    if (args.size() != 1)
        return Fail("usage: hidraw KIND");
    Json::Value request;
    request["op"] = "hidraw";
    request["device"] = args[0];
    return Simple(client, request);
}

int Unplug(SimClient& client, const Args& args) {
    if (args.size() != 1)
        return Fail("usage: unplug KIND");
    Json::Value request;
    request["op"] = "unplug";
    request["device"] = args[0];
    return Simple(client, request);
}

int Report(SimClient& client, const Args& args) {
    if (args.size() != 2)
        return Fail("usage: report KIND HEX");
    Json::Value request;
    request["op"] = "report";
    request["device"] = args[0];
    request["bytes"] = args[1];
    return Simple(client, request);
}

int Key(SimClient& client, const Args& args) {
    if (args.size() != 3)
        return Fail("usage: key KIND NAME down|up");
    Json::Value request;
    request["op"] = "key";
    request["device"] = args[0];
    request["name"] = args[1];
    request["state"] = args[2];
    return Simple(client, request);
}

bool ToSeq(const std::string& text, int64_t& out) {
    if (text.empty())
        return false;
    char* end = nullptr;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (*end != '\0' || v < 0)
        return false;
    out = v;
    return true;
}

void PrintEvent(const Json::Value& event) {
    std::cout << JsonLine(event) << std::flush;
}

int Events(SimClient& client, const Args& args) {
    Options o = ParseOptions(args, {"since"});
    int64_t since = 0;
    if (o.named.count("since"))
        since = std::strtoll(o.Get("since").c_str(), nullptr, 10);
    Json::Value request;
    request["op"] = o.Has("follow") ? "subscribe" : "events";
    request["since"] = static_cast<Json::Int64>(since);
    Json::Value reply = client.Request(request, 5000);
    if (!reply.get("ok", false).asBool())
        return Fail(reply.isNull() ? "no reply from the simulator"
                                   : reply.get("error", "refused").asString());
    if (!o.Has("follow")) {
        for (const Json::Value& event : reply["events"])
            PrintEvent(event);
        return 0;
    }
    Json::Value event;
    while (client.ReadMessage(event, -1))
        PrintEvent(event);
    return 0;
}

bool FieldMatches(const Json::Value& event, const std::string& field, const std::string& want) {
    if (!event.isMember(field))
        return false;
    const Json::Value& v = event[field];
    if (v.isString())
        return v.asString() == want;
    if (v.isBool())
        return (v.asBool() ? "true" : "false") == want;
    if (v.isIntegral())
        return std::to_string(v.asInt64()) == want;
    return JsonLine(v) == want + "\n";
}

int Wait(SimClient& client, const Args& args) {
    Options o = ParseOptions(args, {"where", "since", "timeout"});
    if (o.positional.size() != 1)
        return Fail("usage: wait KIND [--where FIELD=VALUE]... [--since SEQ] [--timeout SECONDS]");
    std::vector<std::pair<std::string, std::string>> conditions;
    for (auto [it, end] = o.named.equal_range("where"); it != end; ++it) {
        const size_t eq = it->second.find('=');
        if (eq == std::string::npos || eq == 0)
            return Fail("--where takes FIELD=VALUE");
        conditions.emplace_back(it->second.substr(0, eq), it->second.substr(eq + 1));
    }
    const double seconds = std::atof(o.Get("timeout", "10").c_str());
    using Clock = std::chrono::steady_clock;
    const auto deadline =
        Clock::now() + std::chrono::milliseconds(static_cast<int64_t>(seconds * 1000));
    Json::Value request;
    request["op"] = "subscribe";
    // With a sequence number the waiter also sees what happened before it subscribed, so a
    // caller can act first and wait afterwards without racing the subscription.
    if (o.named.count("since")) {
        int64_t since = 0;
        if (!ToSeq(o.Get("since"), since))
            return Fail("--since takes an event sequence number");
        request["since"] = static_cast<Json::Int64>(since);
    }
    if (!client.Request(request, 5000).get("ok", false).asBool())
        return Fail("no reply from the simulator");
    Json::Value event;
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0 || !client.ReadMessage(event, static_cast<int>(left.count()))) {
            std::cerr << "velmora-sim: no matching " << o.positional[0] << " event\n";
            return 1;
        }
        bool match = event.get("kind", "").asString() == o.positional[0];
        for (const auto& [field, value] : conditions)
            match = match && FieldMatches(event, field, value);
        if (match) {
            PrintEvent(event);
            return 0;
        }
    }
}

int Mic(SimClient& client, const Args& args) {
    if (args.size() != 1)
        return Fail("usage: mic FILE (16 kHz mono 16-bit: raw little-endian or WAV)");
    std::string pcm;
    std::string error;
    if (!LoadMicrophoneAudio(args[0], pcm, error))
        return Fail(error);
    Json::Value request;
    request["op"] = "mic";
    request["pcm"] = platform::sim::ToHex(reinterpret_cast<const uint8_t*>(pcm.data()), pcm.size());
    return Simple(client, request);
}

// "X Y" as whole screen coordinates.
bool ReadPoint(const Args& args, Json::Value& request) {
    int x = 0;
    int y = 0;
    if (args.size() != 2 || !ToInt(args[0], 10, x) || !ToInt(args[1], 10, y))
        return false;
    request["x"] = x;
    request["y"] = y;
    return true;
}

int Caret(SimClient& client, const Args& args) {
    Json::Value request;
    request["op"] = "caret";
    if (args.size() == 1 && args[0] == "none")
        request["none"] = true;
    else if (!ReadPoint(args, request))
        return Fail("usage: caret X Y | caret none");
    return Simple(client, request);
}

int Cursor(SimClient& client, const Args& args) {
    Json::Value request;
    request["op"] = "cursor";
    if (!ReadPoint(args, request))
        return Fail("usage: cursor X Y");
    return Simple(client, request);
}

// The picture a screen grab returns from now on; --default goes back to the grey screen. The
// program reads the file when it grabs, so an unreadable picture is a grab that fails.
int ScreenImage(SimClient& client, const Args& args) {
    if (args.size() != 1)
        return Fail("usage: screen-image FILE | screen-image --default");
    Json::Value request;
    request["op"] = "screen_image";
    if (args[0] == "--default") {
        request["file"] = "";
    } else {
        const std::filesystem::path file = std::filesystem::absolute(args[0]);
        std::error_code error;
        if (!std::filesystem::is_regular_file(file, error))
            return Fail("no such file: " + file.string());
        request["file"] = file.lexically_normal().string();
    }
    return Simple(client, request);
}

int Highlight(SimClient& client, const Args& args) {
    if (args.size() != 1)
        return Fail("usage: highlight TEXT");
    Json::Value request;
    request["op"] = "highlight";
    request["text"] = args[0];
    return Simple(client, request);
}

int Focus(SimClient& client, const Args& args) {
    if (args.size() != 1 || (args[0] != "none" && args[0] != "window"))
        return Fail("usage: focus none|window");
    Json::Value request;
    request["op"] = "focus";
    request["window"] = args[0] == "window";
    return Simple(client, request);
}

// Window commands exit 1 when the program refuses (the window is absent or hidden).
int Grab(SimClient& client, const Args& args) {
    if (args.size() != 2)
        return Fail("usage: grab WINDOW FILE");
    Json::Value request;
    request["op"] = "grab";
    request["window"] = args[0];
    // The program writes the file from its own working folder.
    request["file"] = std::filesystem::absolute(args[1]).string();
    Json::Value reply = client.Request(request, kWindowReplyTimeoutMs);
    if (reply.isNull())
        return Fail("no reply from the simulator");
    if (!reply.get("ok", false).asBool()) {
        std::cerr << "velmora-sim: " << reply.get("error", "refused").asString() << "\n";
        return 1;
    }
    return 0;
}

int Index(SimClient& client, const Args& args) {
    Json::Value request;
    request["op"] = "index";
    request["paths"] = Json::arrayValue;
    if (args.size() == 1 && args[0] == "--clear") {
        request["clear"] = true;
    } else if (args.empty()) {
        return Fail("usage: index PATH... | index --clear");
    } else {
        for (const std::string& path : args)
            request["paths"].append(std::filesystem::absolute(path).lexically_normal().string());
    }
    return Simple(client, request);
}

int Network(SimClient& client, const Args& args) {
    if (args.size() != 1 || (args[0] != "online" && args[0] != "offline"))
        return Fail("usage: network online|offline");
    Json::Value request;
    request["op"] = "network";
    request["online"] = args[0] == "online";
    return Simple(client, request);
}

// A volume holds the files of a folder of this machine, as a mounted stick would.
int Volume(SimClient& client, const Args& args) {
    const Options options = ParseOptions(args, {"label"});
    const Args& words = options.positional;
    const char* usage = "usage: volume add DIR [--fixed] [--label TEXT] | volume remove DIR";
    if (words.size() != 2 || (words[0] != "add" && words[0] != "remove"))
        return Fail(usage);
    const std::filesystem::path mount = std::filesystem::absolute(words[1]).lexically_normal();
    Json::Value request;
    request["op"] = "volume";
    request["action"] = words[0];
    // "/media/PEN/" and "/media/PEN" are one mount point.
    request["mount"] = mount.has_filename() || mount == mount.root_path()
                           ? mount.string()
                           : mount.parent_path().string();
    if (words[0] == "add") {
        std::error_code error;
        if (!std::filesystem::is_directory(mount, error))
            return Fail("volume add: " + words[1] + " is not a folder");
        request["removable"] = !options.Has("fixed");
        request["label"] = options.Get("label");
    } else if (!options.flags.empty() || !options.named.empty()) {
        return Fail(usage);
    }
    return Simple(client, request);
}

int Stop(SimClient& client, const Args&) {
    Json::Value request;
    request["op"] = "stop";
    return Simple(client, request);
}

} // namespace

std::string TakeSocketOption(std::vector<std::string>& args) {
    std::string path = SimClient::SocketFromEnvironment();
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--socket" && i + 1 < args.size()) {
            path = args[i + 1];
            args.erase(args.begin() + static_cast<std::ptrdiff_t>(i),
                       args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
            break;
        }
    }
    return path;
}

int RunSimCommand(const std::string& socketPath, const std::vector<std::string>& args) {
    std::map<std::string, std::function<int(SimClient&, const Args&)>> commands = {
        {"plug", Plug},
        {"unplug", Unplug},
        {"report", Report},
        {"key", Key},
        {"events", Events},
        {"wait", Wait},
        {"stop", Stop},
        {"mic", Mic},
        {"caret", Caret},
        {"cursor", Cursor},
        {"focus", Focus},
        {"hidraw", Hidraw},
        {"grab", Grab},
        {"highlight", Highlight},
        {"index", Index},
        {"network", Network},
        {"screen-image", ScreenImage},
    };
    commands.emplace("volume", Volume);
    for (auto& [name, command] : SimWindowCommands())
        commands.emplace(name, std::move(command));
    if (args.empty())
        return Fail("no command");
    auto command = commands.find(args[0]);
    if (command == commands.end())
        return Fail("unknown command: " + args[0]);
    if (socketPath.empty())
        return Fail("no simulator socket: set VELMORA_SIMULATOR or pass --socket PATH");
    SimClient client;
    if (!client.Connect(socketPath))
        return Fail("no simulator listens on " + socketPath);
    return command->second(client, Args(args.begin() + 1, args.end()));
}
