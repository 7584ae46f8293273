#include "platform/sim/SimFileIndex.h"

#include "platform/sim/SimClient.h"

namespace platform::sim {

QStringList SimIndexByName(const QString& name) {
    Json::Value request;
    request["op"] = "file_search";
    request["name"] = name.toStdString();
    const Json::Value reply = SimClient::Control().Request(request, 2000);
    QStringList paths;
    for (const Json::Value& path : reply["results"]) {
        if (path.isString())
            paths << QString::fromStdString(path.asString());
    }
    return paths;
}

} // namespace platform::sim
