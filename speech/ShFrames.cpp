#include "speech/ShFrames.h"

#include "speech/Base64.h"
#include "speech/JsonFrames.h"

#include <json/json.h>
#include <openssl/evp.h>

#include <chrono>
#include <cstdio>

namespace {

constexpr int kFlags = 16;
constexpr int kStateSessionId = 100;
constexpr std::size_t kDeviceIdLength = 15;

std::string UpperHex(const unsigned char* bytes, unsigned length) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(length * 2);
    for (unsigned i = 0; i < length; ++i) {
        text.push_back(kDigits[bytes[i] >> 4]);
        text.push_back(kDigits[bytes[i] & 0x0F]);
    }
    return text;
}

Json::Value Envelope(int cmd, int sessionId) {
    Json::Value frame(Json::objectValue);
    frame["cmd"] = cmd;
    frame["flags"] = kFlags;
    frame["lrc"] = 0;
    frame["sessionId"] = sessionId;
    return frame;
}

std::string Trimmed(const std::string& text) {
    const char* const blanks = " \t\r\n";
    const std::string::size_type first = text.find_first_not_of(blanks);
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

bool ReadStateReply(const Json::Value& content, ShReply& reply) {
    const Json::Value& code = content["code"];
    const Json::Value& state = content["state"];
    if (!code.isNull() && !code.isInt())
        return false;
    if (!state.isNull() && !state.isInt())
        return false;
    reply.code = code.isNull() ? 0 : code.asInt();
    reply.state = state.isNull() ? -1 : state.asInt();
    return true;
}

bool ReadResult(const Json::Value& content, ShReply& reply) {
    const Json::Value& code = content["code"];
    const Json::Value& isFinal = content["isFinal"];
    const Json::Value& completed = content["completed"];
    const Json::Value& transcript = content["transcript"];
    if ((!code.isNull() && !code.isString()) || (!isFinal.isNull() && !isFinal.isBool()) ||
        (!completed.isNull() && !completed.isString()) ||
        (!transcript.isNull() && !transcript.isString()))
        return false;
    reply.resultCode = code.asString();
    reply.isFinal = isFinal.asBool();
    reply.completed = completed.asString() == "1";
    reply.transcript = transcript.asString();
    return true;
}

} // namespace

std::string ShSign(const ShStateFields& fields) {
    const std::string text =
        fields.appKey + fields.deviceId + "1" + fields.language + fields.salt + fields.secret;
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned length = 0;
    if (EVP_Digest(text.data(), text.size(), digest, &length, EVP_md5(), nullptr) != 1)
        return std::string();
    return UpperHex(digest, length);
}

std::string ShDeviceId(const std::string& serial) {
    if (serial.size() <= kDeviceIdLength)
        return serial;
    return serial.substr(serial.size() - kDeviceIdLength);
}

std::string ShSaltNow() {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

std::string BuildShStateMessage(const ShStateFields& fields, int state) {
    Json::Value inner(Json::objectValue);
    inner["salt"] = fields.salt;
    inner["sign"] = ShSign(fields);
    inner["appKey"] = fields.appKey;
    inner["lang"] = fields.language;
    inner["encoding"] = "1";
    inner["deviceId"] = fields.deviceId;
    inner["messageId"] = "1001";
    inner["state"] = state;
    Json::Value frame = Envelope(kShStateCommand, kStateSessionId);
    frame["body"]["body"] = inner;
    return WriteJsonFrame(frame);
}

std::string BuildShAudioMessage(const std::uint8_t* audio, std::size_t length) {
    Json::Value frame = Envelope(kShResultCommand, 0);
    frame["body"]["audiobuffer"] = Base64Encode(audio, length);
    return WriteJsonFrame(frame);
}

std::vector<std::string> ParseShServerList(const std::string& body) {
    std::vector<std::string> servers;
    std::string::size_type start = 0;
    for (;;) {
        const std::string::size_type comma = body.find(',', start);
        const std::string entry = Trimmed(body.substr(start, comma - start));
        if (!entry.empty())
            servers.push_back(entry);
        if (comma == std::string::npos)
            return servers;
        start = comma + 1;
    }
}

bool ParseShReply(const std::string& message, ShReply& reply) {
    Json::Value root;
    if (!ReadJsonMessage(message, root) || !root.isObject() || !root["cmd"].isInt())
        return false;
    ShReply parsed;
    parsed.cmd = root["cmd"].asInt();
    if (parsed.cmd == kShStateCommand || parsed.cmd == kShResultCommand) {
        const Json::Value& body = root["body"];
        if (!body.isObject() || !body["content"].isString())
            return false;
        Json::Value content;
        if (!ReadJsonMessage(body["content"].asString(), content) || !content.isObject())
            return false;
        const bool read = parsed.cmd == kShStateCommand ? ReadStateReply(content, parsed)
                                                        : ReadResult(content, parsed);
        if (!read)
            return false;
    }
    reply = std::move(parsed);
    return true;
}
