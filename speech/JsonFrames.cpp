#include "speech/JsonFrames.h"

#include <json/json.h>

#include <memory>

std::string WriteJsonFrame(const Json::Value& frame) {
    Json::StreamWriterBuilder builder;
    return Json::writeString(builder, frame);
}

bool ReadJsonMessage(const std::string& message, Json::Value& root) {
    Json::CharReaderBuilder builder;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    return reader->parse(message.data(), message.data() + message.size(), &root, nullptr);
}
