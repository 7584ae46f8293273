#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The third vendor's wire texts: the discovery list, the signed state messages, the audio
// messages and the replies.

// What a state message is signed with; the sign itself is made per message.
struct ShStateFields {
    std::string appKey;
    std::string secret; // only ever part of the sign
    std::string deviceId;
    std::string language;
    std::string salt; // milliseconds since 1970, decimal
};

// Upper-case hexadecimal MD5 of appKey + deviceId + "1" + language + salt + secret.
std::string ShSign(const ShStateFields& fields);
// The last 15 characters of a device serial (all of a shorter one).
std::string ShDeviceId(const std::string& serial);
// The current time in milliseconds since 1970, as a decimal text.
std::string ShSaltNow();

// {"body": {"body": S}, "cmd": 27, "flags": 16, "lrc": 0, "sessionId": 100}; state 0 starts
// a stream, 1 stops it. It carries the sign: never log it.
std::string BuildShStateMessage(const ShStateFields& fields, int state);
// {"body": {"audiobuffer": Base64}, "cmd": 26, "flags": 16, "lrc": 0, "sessionId": 0}
std::string BuildShAudioMessage(const std::uint8_t* audio, std::size_t length);

// The discovery reply split at ",", entries trimmed, empty ones dropped.
std::vector<std::string> ParseShServerList(const std::string& body);

constexpr int kShStateCommand = 27;
constexpr int kShResultCommand = 26;
constexpr int kShAccepted = 8000;

struct ShReply {
    int cmd = 0;
    // cmd 27
    int code = 0;
    int state = -1;
    // cmd 26
    std::string resultCode;
    bool isFinal = false;
    bool completed = false;
    std::string transcript;
};

// False for a message that is not JSON, whose "body"."content" is not a JSON text, or whose
// members have other types than the vendor's. Other commands parse with only cmd set.
bool ParseShReply(const std::string& message, ShReply& reply);
