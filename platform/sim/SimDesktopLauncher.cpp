#include "platform/sim/SimDesktopLauncher.h"

#include "platform/SimEvents.h"

namespace platform::sim {

bool SimDesktopLauncher::OpenUrl(const QUrl& url, const QString& via) {
    Json::Value event;
    event["kind"] = "open";
    event["target"] = url.toString(QUrl::FullyEncoded).toStdString();
    event["via"] = via.toStdString();
    EmitSimEvent(event);
    return true;
}

bool SimDesktopLauncher::Run(const QStringList& argv, const QString& entry, const QString& via) {
    Json::Value event;
    event["kind"] = "run";
    event["argv"] = Json::arrayValue;
    for (const QString& argument : argv)
        event["argv"].append(argument.toStdString());
    event["entry"] = entry.toStdString();
    event["via"] = via.toStdString();
    EmitSimEvent(event);
    return true;
}

} // namespace platform::sim
