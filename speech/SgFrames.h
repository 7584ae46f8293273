#pragma once

#include "speech/StreamDelivery.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// The second vendor's wire texts: the token request and reply, the stream's address, its three
// frames and its result messages.

// {"appid", "appkey", "exp": "3600s", "uuid"}
std::string BuildSgTokenBody(const std::string& appId, const std::string& appKey,
                             const std::string& installationId);
// The "token" of a token reply; none when the reply is not JSON or has no non-empty string
// token.
std::optional<std::string> ParseSgToken(const std::string& reply);

// stream + "?Appid=" + appId + "&Authorization=Bearer+" + token + "&Uuid=" + installationId.
// It carries the token: never log it.
std::string BuildSgStreamAddress(const std::string& stream, const std::string& appId,
                                 const std::string& token, const std::string& installationId);

// LINEAR16 at 16 kHz for "zh-cmn-Hans-CN", with interim results.
std::string BuildSgConfigMessage();
// {"content": Base64 of the block}
std::string BuildSgAudioMessage(const std::uint8_t* audio, std::size_t length);
// The JSON value null.
std::string BuildSgEndMessage();

struct SgResult {
    std::string text;     // the last "transcript" of any "alternatives"
    bool isFinal = false; // the last "is_final"
};

// False for a message that is not JSON, has no "results" array or whose members have other
// types than the vendor's.
bool ParseSgResult(const std::string& message, SgResult& result);

// Continuous subtitles (voice mode 3) show interim texts ("rpl") and settle finals ("apd");
// the other modes type finals only. The stream's end comes separately, as ("", true, "apd").
std::optional<StreamDelivery> SgDeliveryFor(const SgResult& result, int voiceMode);
