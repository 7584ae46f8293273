#include "platform/sim/SimClipboard.h"

#include "platform/sim/SimClient.h"

namespace platform::sim {

bool SimClipboard::SetText(const QString& text) {
    Json::Value request;
    request["op"] = "clipboard_set";
    request["text"] = text.toStdString();
    return SimClient::Control().Request(request, 2000).get("ok", false).asBool();
}

} // namespace platform::sim
