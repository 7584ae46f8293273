#pragma once

#include <string>

namespace speechsdk {

enum class ResultType { json, plain };

// The settings of one session, read from its parameter text (see SpeechSdk.h for the names
// and defaults). Parsing never fails: what cannot be used keeps its default.
struct SessionParams {
    std::string language = "zh_cn";
    std::string accent = "mandarin";
    std::string region;
    int sampleRate = 16000;
    ResultType resultType = ResultType::plain;
    std::string resultEncoding = "utf8";
    int vadBosMs = 5000;
    int vadEosMs = 1800;
    bool punctuation = true;
    bool progressive = false;

    static SessionParams Parse(const char* text);
};

} // namespace speechsdk
