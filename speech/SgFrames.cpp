#include "speech/SgFrames.h"

#include "speech/Base64.h"
#include "speech/JsonFrames.h"

#include <json/json.h>

namespace {
constexpr int kSubtitleMode = 3;
constexpr int kSampleRate = 16000;
} // namespace

std::string BuildSgTokenBody(const std::string& appId, const std::string& appKey,
                             const std::string& installationId) {
    Json::Value body(Json::objectValue);
    body["appid"] = appId;
    body["appkey"] = appKey;
    body["exp"] = "3600s";
    body["uuid"] = installationId;
    return WriteJsonFrame(body);
}

std::optional<std::string> ParseSgToken(const std::string& reply) {
    Json::Value root;
    if (!ReadJsonMessage(reply, root) || !root.isObject())
        return std::nullopt;
    const Json::Value& token = root["token"];
    if (!token.isString() || token.asString().empty())
        return std::nullopt;
    return token.asString();
}

std::string BuildSgStreamAddress(const std::string& stream, const std::string& appId,
                                 const std::string& token, const std::string& installationId) {
    // "Bearer " query-encoded is "Bearer+"; the token itself goes as the vendor issued it.
    return stream + "?Appid=" + appId + "&Authorization=Bearer+" + token +
           "&Uuid=" + installationId;
}

std::string BuildSgConfigMessage() {
    Json::Value frame(Json::objectValue);
    Json::Value& config = frame["config"];
    config["encoding"] = "LINEAR16";
    config["sample_rate_hertz"] = kSampleRate;
    config["language_code"] = "zh-cmn-Hans-CN";
    frame["interim_results"] = true;
    return WriteJsonFrame(frame);
}

std::string BuildSgAudioMessage(const std::uint8_t* audio, std::size_t length) {
    Json::Value frame(Json::objectValue);
    frame["content"] = Base64Encode(audio, length);
    return WriteJsonFrame(frame);
}

std::string BuildSgEndMessage() {
    return WriteJsonFrame(Json::Value());
}

namespace {

// Reads one element of "results" over what was read before; false when it is mistyped.
bool ReadSgElement(const Json::Value& element, SgResult& result) {
    if (!element.isObject())
        return false;
    const Json::Value& isFinal = element["is_final"];
    if (!isFinal.isNull()) {
        if (!isFinal.isBool())
            return false;
        result.isFinal = isFinal.asBool();
    }
    const Json::Value& alternatives = element["alternatives"];
    if (alternatives.isNull())
        return true;
    if (!alternatives.isArray())
        return false;
    for (const Json::Value& alternative : alternatives) {
        if (!alternative.isObject())
            return false;
        const Json::Value& transcript = alternative["transcript"];
        if (transcript.isNull())
            continue;
        if (!transcript.isString())
            return false;
        result.text = transcript.asString();
    }
    return true;
}

} // namespace

bool ParseSgResult(const std::string& message, SgResult& result) {
    Json::Value root;
    if (!ReadJsonMessage(message, root) || !root.isObject())
        return false;
    const Json::Value& results = root["results"];
    if (!results.isArray())
        return false;
    SgResult parsed;
    for (const Json::Value& element : results) {
        if (!ReadSgElement(element, parsed))
            return false;
    }
    result = std::move(parsed);
    return true;
}

std::optional<StreamDelivery> SgDeliveryFor(const SgResult& result, int voiceMode) {
    if (voiceMode == kSubtitleMode)
        return StreamDelivery{result.text, false, result.isFinal ? "apd" : "rpl"};
    if (!result.isFinal)
        return std::nullopt;
    return StreamDelivery{result.text, false, "apd"};
}
