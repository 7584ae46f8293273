#include "commands/SemanticReply.h"

#include "service/ServiceReply.h"

#include <json/reader.h>

#include <memory>

namespace {

// The first element of an array member; null when missing, nothing for a wrong type.
bool FirstOf(const Json::Value& parent, const char* member, Json::Value& out) {
    const Json::Value& list = parent[member];
    if (list.isNull()) {
        out = Json::Value();
        return true;
    }
    if (!list.isArray())
        return false;
    out = list.empty() ? Json::Value() : list[0];
    return out.isNull() || out.isObject();
}

bool ScalarText(const Json::Value& value, std::string& out) {
    if (value.isNull()) {
        out.clear();
        return true;
    }
    if (value.isArray() || value.isObject())
        return false;
    out = value.asString();
    return true;
}

} // namespace

SemanticAnswer ParseSemanticReply(const std::string& body) {
    SemanticAnswer answer;
    const ServiceReply reply = ServiceReply::Parse(body);
    if (!reply.parsed) {
        answer.action = SemanticAnswer::Action::Nothing;
        return answer;
    }
    if (!reply.ok)
        return answer;
    Json::CharReaderBuilder builder;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    Json::Value root;
    std::string errors;
    reader->parse(body.data(), body.data() + body.size(), &root, &errors);
    Json::Value semantic;
    Json::Value pars;
    std::string value;
    if (!FirstOf(root, "semantic", semantic) || !FirstOf(semantic, "pars", pars) ||
        !ScalarText(pars["value"], value) || value.empty())
        return answer;
    answer.action = SemanticAnswer::Action::Open;
    answer.value = value;
    return answer;
}
