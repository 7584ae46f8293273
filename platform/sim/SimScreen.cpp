#include "platform/sim/SimScreen.h"

#include "platform/SimEvents.h"
#include "platform/sim/SimClient.h"

#include <QString>

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

QImage SimScreen::Grab() {
    Json::Value request;
    request["op"] = "screen_grab";
    const Json::Value reply = SimClient::Control().Request(request, 2000);
    if (!reply.get("ok", false).asBool())
        return {};
    const std::string file = reply.get("file", "").asString();
    if (file.empty()) {
        const QSize size(reply.get("width", 0).asInt(), reply.get("height", 0).asInt());
        if (size.isEmpty())
            return {};
        QImage screen(size, QImage::Format_RGB32);
        screen.fill(kDefaultScreenColour);
        return screen;
    }
    // A picture that cannot be read is a screen that cannot be read: a null image.
    const QImage picture(QString::fromStdString(file));
    return picture.isNull() ? QImage() : picture.convertToFormat(QImage::Format_RGB32);
}

bool SimScreen::SetPointerVisible(bool visible) {
    Json::Value event;
    event["kind"] = "cursor_visible";
    event["visible"] = visible;
    EmitSimEvent(event);
    return true;
}

} // namespace platform::sim
