#include "platform/sim/SimScreen.h"

#include "platform/sim/SimClient.h"

namespace platform::sim {

namespace {

std::optional<QPoint> PointOf(const Json::Value& value) {
    if (!value.isObject() || !value["x"].isInt() || !value["y"].isInt())
        return std::nullopt;
    return QPoint(value["x"].asInt(), value["y"].asInt());
}

} // namespace

Json::Value SimScreen::AskScreen() {
    Json::Value request;
    request["op"] = "screen";
    Json::Value reply = SimClient::Control().Request(request, 2000);
    return reply.get("ok", false).asBool() ? reply : Json::Value();
}

QSize SimScreen::ScreenSize() {
    const Json::Value reply = AskScreen();
    if (!reply["width"].isInt() || !reply["height"].isInt())
        return QSize();
    return QSize(reply["width"].asInt(), reply["height"].asInt());
}

std::optional<QPoint> SimScreen::CursorPosition() {
    return PointOf(AskScreen()["cursor"]);
}

std::optional<QPoint> SimScreen::CaretPosition() {
    return PointOf(AskScreen()["caret"]);
}

} // namespace platform::sim
