#pragma once

#include <json/value.h>

#include <string>

namespace speechsdk {

// The text of a recognition result in the "ws" layout (the SDK's results, the streaming
// dictation frames): every "w" of every "cw" of every "ws" element, in order. Parts of another
// shape (a "ws" that is not an array, an entry without a "cw" array, a "w" that is not a
// string) are skipped and set *malformed, so each caller decides whether what is left counts.
// A missing "ws" (null) is an empty result, not a malformed one.
std::string JoinResultWords(const Json::Value& ws, bool* malformed = nullptr);

} // namespace speechsdk
