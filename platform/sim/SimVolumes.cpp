#include "platform/sim/SimVolumes.h"

#include "platform/sim/SimClient.h"

namespace platform::sim {

std::vector<Volume> SimVolumes() {
    Json::Value request;
    request["op"] = "volumes";
    const Json::Value reply = SimClient::Control().Request(request, 2000);
    std::vector<Volume> volumes;
    const Json::Value& list = reply["volumes"];
    if (!list.isArray())
        return volumes;
    for (const Json::Value& volume : list) {
        if (!volume.isObject() || !volume["mount"].isString())
            continue;
        const Json::Value& label = volume["label"];
        volumes.push_back(
            Volume{QString::fromStdString(volume["mount"].asString()),
                   volume["removable"].isBool() && volume["removable"].asBool(),
                   label.isString() ? QString::fromStdString(label.asString()) : QString()});
    }
    return volumes;
}

} // namespace platform::sim
