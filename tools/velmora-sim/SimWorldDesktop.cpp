// The desktop half of the world: microphone and capture sources, synthetic input, clipboard
// and screen. Kept apart from the device half so that each stays readable.
#include "SimWorld.h"

#include "platform/sim/SimHex.h"

#include <algorithm>
#include <time.h>

using platform::sim::FromHex;
using platform::sim::ToHex;

namespace {

int64_t MonotonicNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

bool IsSurrogate(int unit) {
    return unit >= 0xD800 && unit <= 0xDFFF;
}

// The event text of one typed UTF-16 unit: the character itself, or for half of a surrogate
// pair the six characters "\uD83D", since half a character has no UTF-8 form.
std::string UnitText(int unit) {
    static const char* digits = "0123456789ABCDEF";
    if (IsSurrogate(unit))
        return std::string("\\u") + digits[(unit >> 12) & 15] + digits[(unit >> 8) & 15] +
               digits[(unit >> 4) & 15] + digits[unit & 15];
    std::string text;
    if (unit < 0x80) {
        text += static_cast<char>(unit);
    } else if (unit < 0x800) {
        text += static_cast<char>(0xC0 | (unit >> 6));
        text += static_cast<char>(0x80 | (unit & 0x3F));
    } else {
        text += static_cast<char>(0xE0 | (unit >> 12));
        text += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (unit & 0x3F));
    }
    return text;
}

bool ReadPoint(const Json::Value& request, SimDesktop::Point& point) {
    if (!request["x"].isInt() || !request["y"].isInt())
        return false;
    point = {request["x"].asInt(), request["y"].asInt()};
    return true;
}

Json::Value PointJson(const SimDesktop::Point& point) {
    Json::Value value;
    value["x"] = point.x;
    value["y"] = point.y;
    return value;
}

} // namespace

void SimWorld::RegisterDesktopHandlers() {
    auto bind = [this](void (SimWorld::*method)(SimConnection&, const Json::Value&)) {
        return [this, method](SimConnection& c, const Json::Value& r) { (this->*method)(c, r); };
    };
    m_handlers.insert({
        {"capture_open", bind(&SimWorld::OnCaptureOpen)},
        {"capture_start", bind(&SimWorld::OnCaptureStart)},
        {"capture_stop", bind(&SimWorld::OnCaptureStop)},
        {"audio_sources", bind(&SimWorld::OnAudioSources)},
        {"audio_default", bind(&SimWorld::OnAudioDefault)},
        {"input_keys", bind(&SimWorld::OnInputKeys)},
        {"input_char", bind(&SimWorld::OnInputChar)},
        {"input_focus", bind(&SimWorld::OnInputFocus)},
        {"clipboard_set", bind(&SimWorld::OnClipboardSet)},
        {"screen", bind(&SimWorld::OnScreen)},
        {"mic", bind(&SimWorld::OnMic)},
        {"caret", bind(&SimWorld::OnCaret)},
        {"cursor", bind(&SimWorld::OnCursor)},
        {"screen_image", bind(&SimWorld::OnScreenImage)},
        {"screen_grab", bind(&SimWorld::OnScreenGrab)},
        {"focus", bind(&SimWorld::OnFocus)},
        {"highlight", bind(&SimWorld::OnHighlight)},
        {"highlight_watch", bind(&SimWorld::OnHighlightWatch)},

        {"index", bind(&SimWorld::OnIndex)},
        {"file_search", bind(&SimWorld::OnFileSearch)},
        {"network", bind(&SimWorld::OnNetwork)},
        {"network_state", bind(&SimWorld::OnNetworkState)},
        {"volume", bind(&SimWorld::OnVolume)},
        {"volumes", bind(&SimWorld::OnVolumes)},
    });
}

// --- microphone ----------------------------------------------------------------------------

int SimWorld::PollTimeoutMs(int maxMs) const {
    const int untilChunk = m_microphone.MsUntilNextChunk(MonotonicNs());
    return untilChunk < 0 ? maxMs : std::min(maxMs, untilChunk);
}

void SimWorld::PumpMicrophone() {
    PumpMicrophoneAt(MonotonicNs());
}

void SimWorld::PumpMicrophoneAt(int64_t nowNs) {
    bool anyRunning = false;
    for (const auto& c : m_connections)
        anyRunning |= c->GetRole() == SimConnection::Role::Capture && c->Capture().running;
    if (!anyRunning) {
        m_microphone.Pause(nowNs);
        return;
    }
    const std::string chunks = m_microphone.TakeChunks(nowNs);
    if (chunks.empty())
        return;
    Json::Value push;
    push["audio"] = ToHex(reinterpret_cast<const uint8_t*>(chunks.data()), chunks.size());
    for (auto& c : m_connections) {
        if (c->GetRole() == SimConnection::Role::Capture && c->Capture().running) {
            c->SendJson(push);
            c->Capture().bytesSent += static_cast<int64_t>(chunks.size());
        }
    }
}

void SimWorld::OnCaptureOpen(SimConnection& connection, const Json::Value& request) {
    if (connection.GetRole() != SimConnection::Role::Control) {
        Reply(connection, false, "this connection is already in use");
        return;
    }
    const std::string sourceId = request.get("source", "").asString();
    const SimDesktop::AudioSource* source = sourceId.empty()
                                                ? &m_desktop.sources[m_desktop.defaultSource]
                                                : m_desktop.FindSource(sourceId);
    const Json::Int64 block = request.get("block", 0).asInt64();
    if (!source) {
        Reply(connection, false, "no such source: " + sourceId);
    } else if (request.get("rate", 0).asUInt() != SimMicrophone::kSampleRate ||
               request.get("channels", 0).asUInt() != 1) {
        Reply(connection, false, "the microphone records 16000 Hz mono only");
    } else if (block <= 0 || block % 2 != 0) {
        Reply(connection, false, "the block size must be a positive number of whole samples");
    } else {
        connection.SetRole(SimConnection::Role::Capture);
        connection.Capture().source = source->name;
        connection.Capture().blockBytes = block;
        Reply(connection, true);
    }
}

void SimWorld::OnCaptureStart(SimConnection& connection, const Json::Value&) {
    SimConnection::CaptureState& capture = connection.Capture();
    if (connection.GetRole() != SimConnection::Role::Capture || capture.running) {
        Reply(connection, false,
              capture.running ? "capture is already running" : "not an open capture");
        return;
    }
    // Chunks completed before this start belong to the listeners already there.
    const int64_t now = MonotonicNs();
    PumpMicrophoneAt(now);
    m_microphone.Play(now);
    capture.running = true;
    capture.bytesSent = 0;
    Reply(connection, true);
    Json::Value event;
    event["kind"] = "audio";
    event["state"] = "start";
    event["source"] = capture.source;
    event["block"] = static_cast<Json::Int64>(capture.blockBytes);
    Record(event);
}

void SimWorld::OnCaptureStop(SimConnection& connection, const Json::Value&) {
    if (connection.GetRole() != SimConnection::Role::Capture || !connection.Capture().running) {
        Reply(connection, false, "capture is not running");
        return;
    }
    const int64_t now = MonotonicNs();
    PumpMicrophoneAt(now);
    const std::string rest = m_microphone.Remainder(now);
    if (!rest.empty()) {
        Json::Value push;
        push["audio"] = ToHex(reinterpret_cast<const uint8_t*>(rest.data()), rest.size());
        connection.SendJson(push);
        connection.Capture().bytesSent += static_cast<int64_t>(rest.size());
    }
    EndCapture(connection, now);
    Reply(connection, true);
}

void SimWorld::EndCapture(SimConnection& connection, int64_t nowNs) {
    SimConnection::CaptureState& capture = connection.Capture();
    capture.running = false;
    Json::Value event;
    event["kind"] = "audio";
    event["state"] = "stop";
    event["source"] = capture.source;
    event["bytes"] = static_cast<Json::Int64>(capture.bytesSent);
    Record(event);
    // With the last listener gone the microphone pauses; what is left plays at the next start.
    PumpMicrophoneAt(nowNs);
}

void SimWorld::OnConnectionLost(SimConnection& connection) {
    for (auto it = m_waitingTools.begin(); it != m_waitingTools.end();)
        it = it->second == &connection ? m_waitingTools.erase(it) : std::next(it);
    if (connection.GetRole() == SimConnection::Role::Capture && connection.Capture().running)
        EndCapture(connection, MonotonicNs());
}

void SimWorld::OnMic(SimConnection& connection, const Json::Value& request) {
    auto pcm = FromHex(request.get("pcm", "").asString());
    if (!pcm || pcm->empty() || pcm->size() % 2 != 0) {
        Reply(connection, false, "mic takes whole 16-bit samples as hexadecimal text");
        return;
    }
    m_microphone.Queue(std::string(pcm->begin(), pcm->end()));
    Json::Value event;
    event["kind"] = "mic";
    event["bytes"] = static_cast<Json::Int64>(pcm->size());
    Record(event);
    Reply(connection, true);
}

// --- capture sources -----------------------------------------------------------------------

void SimWorld::OnAudioSources(SimConnection& connection, const Json::Value&) {
    Json::Value reply;
    reply["ok"] = true;
    reply["sources"] = Json::arrayValue;
    for (const SimDesktop::AudioSource& source : m_desktop.sources) {
        Json::Value item;
        item["id"] = source.id;
        item["name"] = source.name;
        reply["sources"].append(item);
    }
    reply["default"] = m_desktop.sources[m_desktop.defaultSource].id;
    connection.SendJson(reply);
}

void SimWorld::OnAudioDefault(SimConnection& connection, const Json::Value& request) {
    const std::string id = request.get("id", "").asString();
    const SimDesktop::AudioSource* source = m_desktop.FindSource(id);
    if (!source) {
        Reply(connection, false, "no such source: " + id);
        return;
    }
    m_desktop.defaultSource = static_cast<size_t>(source - m_desktop.sources.data());
    Json::Value event;
    event["kind"] = "audio_default";
    event["id"] = source->id;
    event["name"] = source->name;
    Record(event);
    Reply(connection, true);
}

// --- input, clipboard, screen --------------------------------------------------------------

void SimWorld::OnInputKeys(SimConnection& connection, const Json::Value& request) {
    const std::string keys = request.get("keys", "").asString();
    if (keys != "ctrl+v" && keys != "up" && keys != "down") {
        Reply(connection, false, "keys is one of ctrl+v up down");
        return;
    }
    Json::Value event;
    event["kind"] = "key";
    event["keys"] = keys;
    Record(event);
    Reply(connection, true);
}

void SimWorld::OnInputChar(SimConnection& connection, const Json::Value& request) {
    const Json::Value& unit = request["unit"];
    if (!unit.isInt() || unit.asInt() < 0 || unit.asInt() > 0xFFFF) {
        Reply(connection, false, "unit is one UTF-16 unit, 0 to 65535");
        return;
    }
    if (!m_desktop.hasFocusWindow) {
        Reply(connection, false, "no window has the keyboard focus");
        return;
    }
    Json::Value event;
    event["kind"] = "char";
    event["text"] = UnitText(unit.asInt());
    event["unit"] = unit.asInt();
    Record(event);
    Reply(connection, true);
}

void SimWorld::OnInputFocus(SimConnection& connection, const Json::Value&) {
    Json::Value reply;
    reply["ok"] = true;
    reply["focus"] = m_desktop.hasFocusWindow;
    connection.SendJson(reply);
}

void SimWorld::OnClipboardSet(SimConnection& connection, const Json::Value& request) {
    if (!request["text"].isString()) {
        Reply(connection, false, "text is missing");
        return;
    }
    m_desktop.clipboard = request["text"].asString();
    Json::Value event;
    event["kind"] = "clipboard";
    event["text"] = m_desktop.clipboard;
    Record(event);
    Reply(connection, true);
}

void SimWorld::OnScreen(SimConnection& connection, const Json::Value&) {
    Json::Value reply;
    reply["ok"] = true;
    reply["width"] = SimDesktop::kWidth;
    reply["height"] = SimDesktop::kHeight;
    reply["cursor"] = PointJson(m_desktop.cursor);
    reply["caret"] = m_desktop.caret ? PointJson(*m_desktop.caret) : Json::Value();
    connection.SendJson(reply);
}

void SimWorld::OnCaret(SimConnection& connection, const Json::Value& request) {
    SimDesktop::Point point;
    if (request.get("none", false).asBool()) {
        m_desktop.caret.reset();
    } else if (ReadPoint(request, point)) {
        m_desktop.caret = point;
    } else {
        Reply(connection, false, "caret takes x and y, or none");
        return;
    }
    Reply(connection, true);
}

void SimWorld::OnCursor(SimConnection& connection, const Json::Value& request) {
    SimDesktop::Point point;
    if (!ReadPoint(request, point)) {
        Reply(connection, false, "cursor takes x and y");
        return;
    }
    m_desktop.cursor = point;
    Json::Value event;
    event["kind"] = "cursor";
    event["x"] = point.x;
    event["y"] = point.y;
    Record(event);
    Reply(connection, true);
}

void SimWorld::OnScreenImage(SimConnection& connection, const Json::Value& request) {
    const Json::Value& file = request["file"];
    if (!file.isString() || (!file.asString().empty() && file.asString()[0] != '/')) {
        Reply(connection, false, "screen_image takes file, an absolute path or \"\"");
        return;
    }
    m_desktop.screenImage = file.asString();
    Json::Value event;
    event["kind"] = "screen_image";
    event["file"] = m_desktop.screenImage;
    Record(event);
    Reply(connection, true);
}

void SimWorld::OnScreenGrab(SimConnection& connection, const Json::Value&) {
    Json::Value reply;
    reply["ok"] = true;
    reply["file"] = m_desktop.screenImage;
    reply["width"] = SimDesktop::kWidth;
    reply["height"] = SimDesktop::kHeight;
    connection.SendJson(reply);
}

void SimWorld::OnFocus(SimConnection& connection, const Json::Value& request) {
    if (!request["window"].isBool()) {
        Reply(connection, false, "focus takes window true or false");
        return;
    }
    m_desktop.hasFocusWindow = request["window"].asBool();
    Reply(connection, true);
}

// --- highlighted text ---------------------------------------------------------------------

void SimWorld::OnHighlight(SimConnection& connection, const Json::Value& request) {
    if (!request["text"].isString()) {
        Reply(connection, false, "highlight takes text");
        return;
    }
    Json::Value event;
    event["kind"] = "highlight";
    event["text"] = request["text"];
    Record(event);
    Json::Value push;
    push["highlight"] = request["text"];
    for (auto& c : m_connections) {
        if (c->GetRole() == SimConnection::Role::HighlightWatcher)
            c->SendJson(push);
    }
    Reply(connection, true);
}

void SimWorld::OnHighlightWatch(SimConnection& connection, const Json::Value&) {
    connection.SetRole(SimConnection::Role::HighlightWatcher);
    Reply(connection, true);
}

// --- file index and network ----------------------------------------------------------------

void SimWorld::OnIndex(SimConnection& connection, const Json::Value& request) {
    if (request.get("clear", false).asBool())
        m_desktop.indexedFiles.clear();
    const Json::Value& paths = request["paths"];
    if (!paths.isNull() && !paths.isArray()) {
        Reply(connection, false, "paths is a list of absolute paths");
        return;
    }
    for (const Json::Value& path : paths) {
        if (!path.isString() || path.asString().empty() || path.asString()[0] != '/') {
            Reply(connection, false, "paths is a list of absolute paths");
            return;
        }
    }
    for (const Json::Value& path : paths)
        m_desktop.indexedFiles.insert(path.asString());
    Reply(connection, true);
}

// The same rule as the real index: files whose base name is exactly the name, by path.
void SimWorld::OnFileSearch(SimConnection& connection, const Json::Value& request) {
    const std::string name = request.get("name", "").asString();
    Json::Value reply;
    reply["ok"] = true;
    reply["results"] = Json::arrayValue;
    for (const std::string& path : m_desktop.indexedFiles) {
        if (!name.empty() && path.substr(path.rfind('/') + 1) == name)
            reply["results"].append(path);
    }
    connection.SendJson(reply);
}

void SimWorld::OnNetwork(SimConnection& connection, const Json::Value& request) {
    if (!request["online"].isBool()) {
        Reply(connection, false, "network takes online true or false");
        return;
    }
    m_desktop.online = request["online"].asBool();
    Json::Value event;
    event["kind"] = "network";
    event["online"] = m_desktop.online;
    Record(event);
    Reply(connection, true);
}

void SimWorld::OnNetworkState(SimConnection& connection, const Json::Value&) {
    Json::Value reply;
    reply["ok"] = true;
    reply["online"] = m_desktop.online;
    connection.SendJson(reply);
}

// --- volumes -------------------------------------------------------------------------------

void SimWorld::OnVolume(SimConnection& connection, const Json::Value& request) {
    const std::string action = request.get("action", "").asString();
    const Json::Value& mountValue = request["mount"];
    if ((action != "add" && action != "remove") || !mountValue.isString() ||
        mountValue.asString().empty() || mountValue.asString()[0] != '/') {
        Reply(connection, false, "volume takes action add or remove and an absolute mount");
        return;
    }
    const std::string mount = mountValue.asString();
    auto& volumes = m_desktop.volumes;
    auto found = std::find_if(volumes.begin(), volumes.end(),
                              [&](const SimDesktop::Volume& v) { return v.mount == mount; });
    SimDesktop::Volume volume;
    if (action == "add") {
        if (found != volumes.end()) {
            Reply(connection, false, "a volume is mounted at " + mount + " already");
            return;
        }
        volume.mount = mount;
        volume.removable = !request["removable"].isBool() || request["removable"].asBool();
        volume.label = request["label"].isString() ? request["label"].asString() : "";
        volumes.push_back(volume);
    } else {
        if (found == volumes.end()) {
            Reply(connection, false, "no volume is mounted at " + mount);
            return;
        }
        volume = *found;
        volumes.erase(found);
    }
    Json::Value event;
    event["kind"] = "volume";
    event["action"] = action;
    event["mount"] = volume.mount;
    event["removable"] = volume.removable;
    Record(event);
    Reply(connection, true);
}

void SimWorld::OnVolumes(SimConnection& connection, const Json::Value&) {
    Json::Value reply;
    reply["ok"] = true;
    reply["volumes"] = Json::arrayValue;
    for (const SimDesktop::Volume& volume : m_desktop.volumes) {
        Json::Value entry;
        entry["mount"] = volume.mount;
        entry["removable"] = volume.removable;
        entry["label"] = volume.label;
        reply["volumes"].append(entry);
    }
    connection.SendJson(reply);
}
