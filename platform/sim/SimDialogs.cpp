#include "platform/SimDialogs.h"

#include "platform/sim/SimClient.h"

namespace platform {

namespace {
constexpr int kAnswerTimeoutMs = 5000;

std::string DefaultAnswer(const std::string& buttons) {
    if (buttons == "okcancel")
        return "cancel";
    if (buttons == "yesno")
        return "no";
    return "ok";
}
} // namespace

std::string AskSimMessageBoxAnswer(const SimMessageBox& box) {
    Json::Value request;
    request["op"] = "msgbox";
    request["text"] = box.text;
    request["caption"] = box.caption;
    request["buttons"] = box.buttons;
    request["icon"] = box.icon;
    const Json::Value reply = sim::SimClient::Control().Request(request, kAnswerTimeoutMs);
    const std::string answer = reply.get("answer", "").asString();
    return reply.get("ok", false).asBool() && !answer.empty() ? answer : DefaultAnswer(box.buttons);
}

std::string AskSimDialogAnswer(const SimDialog& dialog) {
    Json::Value request;
    request["op"] = "dialog";
    request["type"] = dialog.type;
    request["title"] = dialog.title;
    request["dir"] = dialog.dir;
    request["filters"] = Json::Value(Json::arrayValue);
    for (const std::string& filter : dialog.filters)
        request["filters"].append(filter);
    const Json::Value reply = sim::SimClient::Control().Request(request, kAnswerTimeoutMs);
    return reply.get("ok", false).asBool() ? reply.get("path", "").asString() : std::string();
}

} // namespace platform
