#include "speech/XfFrames.h"

#include "speech/Base64.h"
#include "speech/JsonFrames.h"
#include "speech/sdk/ResultWords.h"

#include <json/json.h>

namespace {

constexpr const char* kAudioFormat = "audio/L16;rate=16000";

Json::Value AudioData(int status, const std::uint8_t* audio, std::size_t length) {
    Json::Value data(Json::objectValue);
    data["status"] = status;
    data["format"] = kAudioFormat;
    data["encoding"] = "raw";
    data["audio"] = Base64Encode(audio, length);
    return data;
}

} // namespace

std::string BuildXfFirstFrame(const std::string& appId, const std::string& language,
                              const std::uint8_t* audio, std::size_t length) {
    Json::Value frame(Json::objectValue);
    frame["common"]["app_id"] = appId;
    Json::Value& business = frame["business"];
    business["language"] = language;
    business["domain"] = "iat";
    business["accent"] = "mandarin";
    business["vad_eos"] = 100000;
    frame["data"] = AudioData(0, audio, length);
    return WriteJsonFrame(frame);
}

std::string BuildXfContinuingFrame(const std::uint8_t* audio, std::size_t length) {
    Json::Value frame(Json::objectValue);
    frame["data"] = AudioData(1, audio, length);
    return WriteJsonFrame(frame);
}

std::string BuildXfLastFrame() {
    Json::Value frame(Json::objectValue);
    frame["data"]["status"] = 2;
    return WriteJsonFrame(frame);
}

bool ParseXfResult(const std::string& message, XfResult& result) {
    Json::Value root;
    if (!ReadJsonMessage(message, root))
        return false;
    try {
        XfResult parsed;
        const Json::Value& data = root["data"];
        if (data.isObject()) {
            const Json::Value& status = data["status"];
            if (!status.isNull())
                parsed.status = status.asInt();
            const Json::Value& body = data["result"];
            if (body.isObject()) {
                parsed.last = body.get("ls", false).asBool();
                bool malformed = false;
                parsed.text = speechsdk::JoinResultWords(body["ws"], &malformed);
                // A frame with unreadable words is dropped whole rather than typed in part.
                if (malformed)
                    return false;
            }
        }
        result = std::move(parsed);
        return true;
    } catch (const Json::Exception&) {
        return false;
    }
}
