#include "platform/sim/SimKeyboard.h"

#include "platform/sim/SimClient.h"

namespace platform::sim {

namespace {

constexpr int kReplyTimeoutMs = 2000;

Json::Value Ask(const Json::Value& request) {
    return SimClient::Control().Request(request, kReplyTimeoutMs);
}

} // namespace

bool SimKeyboard::IsAvailable() {
    return SimClient::Control().IsConnected();
}

bool SimKeyboard::HasFocusWindow() {
    Json::Value request;
    request["op"] = "input_focus";
    const Json::Value reply = Ask(request);
    return reply.get("ok", false).asBool() && reply.get("focus", false).asBool();
}

bool SimKeyboard::InjectCtrlV() {
    return InjectKeys("ctrl+v");
}

bool SimKeyboard::InjectArrow(ArrowKey key) {
    return InjectKeys(key == ArrowKey::Up ? "up" : "down");
}

bool SimKeyboard::TypeUnit(char16_t unit) {
    Json::Value request;
    request["op"] = "input_char";
    request["unit"] = static_cast<int>(unit);
    return Ask(request).get("ok", false).asBool();
}

bool SimKeyboard::InjectKeys(const char* keys) {
    Json::Value request;
    request["op"] = "input_keys";
    request["keys"] = keys;
    return Ask(request).get("ok", false).asBool();
}

} // namespace platform::sim
