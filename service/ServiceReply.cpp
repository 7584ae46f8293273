#include "service/ServiceReply.h"

#include <json/reader.h>

#include <memory>

namespace {

// Scalars convert the way the service's numbers and texts are compared ("0" and 0 alike);
// arrays and objects have no text and never count as success.
std::string ScalarText(const Json::Value& value) {
    switch (value.type()) {
    case Json::stringValue:
    case Json::intValue:
    case Json::uintValue:
    case Json::realValue:
    case Json::booleanValue:
        return value.asString();
    default:
        return std::string();
    }
}

bool ParseJson(const std::string& body, Json::Value& root) {
    Json::CharReaderBuilder builder;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    std::string errors;
    return reader->parse(body.data(), body.data() + body.size(), &root, &errors);
}

} // namespace

ServiceReply ServiceReply::Parse(const std::string& body) {
    ServiceReply reply;
    Json::Value root;
    if (!ParseJson(body, root))
        return reply;
    reply.parsed = true;
    if (!root.isObject())
        return reply;
    reply.rc = ScalarText(root.get("rc", Json::Value()));
    reply.msg = ScalarText(root.get("msg", Json::Value()));
    reply.data = root.get("data", Json::Value());
    reply.ok = root.isMember("rc") && reply.rc == "0";
    return reply;
}
