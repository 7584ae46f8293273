#include "platform/sim/SimAudioEndpointList.h"

#include "platform/sim/SimClient.h"

#include <pulse/def.h>

namespace platform::sim {

namespace {
constexpr int kReplyTimeoutMs = 2000;
}

int SimAudioEndpointList::ListSources(std::vector<AudioSourceInfo>& sources) {
    Json::Value request;
    request["op"] = "audio_sources";
    const Json::Value reply = SimClient::Control().Request(request, kReplyTimeoutMs);
    if (!reply.get("ok", false).asBool() || !reply["sources"].isArray())
        return -PA_ERR_CONNECTIONTERMINATED;
    for (const Json::Value& item : reply["sources"]) {
        AudioSourceInfo info;
        info.id = item.get("id", "").asString();
        info.description = QString::fromStdString(item.get("name", "").asString());
        sources.push_back(std::move(info));
    }
    return 0;
}

int SimAudioEndpointList::SetDefaultSource(const std::string& id) {
    Json::Value request;
    request["op"] = "audio_default";
    request["id"] = id;
    const Json::Value reply = SimClient::Control().Request(request, kReplyTimeoutMs);
    if (reply.isNull())
        return -PA_ERR_CONNECTIONTERMINATED;
    return reply.get("ok", false).asBool() ? 0 : -PA_ERR_NOENTITY;
}

} // namespace platform::sim
