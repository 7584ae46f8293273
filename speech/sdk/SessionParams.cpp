#include "speech/sdk/SessionParams.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <optional>

namespace speechsdk {
namespace {

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

std::string Lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// Language and accent become part of a model folder path, so only plain names are taken.
bool IsModelName(const std::string& value) {
    if (value.empty() || value.size() > 64)
        return false;
    return std::all_of(value.begin(), value.end(),
                       [](unsigned char c) { return std::isalnum(c) || c == '_' || c == '-'; });
}

std::optional<int> PositiveInt(const std::string& value) {
    if (value.empty() || !std::isdigit(static_cast<unsigned char>(value[0])))
        return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const long number = std::strtol(value.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || number <= 0 || number > INT_MAX)
        return std::nullopt;
    return static_cast<int>(number);
}

void Apply(SessionParams& params, const std::string& name, const std::string& value) {
    if (name == "language" && IsModelName(value)) {
        params.language = value;
    } else if (name == "accent" && IsModelName(value)) {
        params.accent = value;
    } else if (name == "rlang" && IsModelName(value)) {
        params.region = value;
    } else if (name == "sample_rate") {
        if (value == "16000" || value == "8000")
            params.sampleRate = std::atoi(value.c_str());
    } else if (name == "result_type") {
        if (value == "json")
            params.resultType = ResultType::json;
        else if (value == "plain")
            params.resultType = ResultType::plain;
    } else if (name == "result_encoding") {
        if (value == "utf8" || value == "utf-8")
            params.resultEncoding = "utf8";
        else if (value == "gb2312" || value == "gbk")
            params.resultEncoding = value;
    } else if (name == "vad_bos") {
        params.vadBosMs = PositiveInt(value).value_or(params.vadBosMs);
    } else if (name == "vad_eos") {
        params.vadEosMs = PositiveInt(value).value_or(params.vadEosMs);
    } else if (name == "ptt") {
        if (value == "0" || value == "1")
            params.punctuation = value == "1";
    } else if (name == "dwa") {
        params.progressive = value == "wpgs";
    }
}

} // namespace

SessionParams SessionParams::Parse(const char* text) {
    SessionParams params;
    if (text == nullptr)
        return params;
    const std::string all(text);
    std::size_t start = 0;
    while (start <= all.size()) {
        std::size_t comma = all.find(',', start);
        if (comma == std::string::npos)
            comma = all.size();
        const std::string pair = all.substr(start, comma - start);
        const auto equals = pair.find('=');
        if (equals != std::string::npos)
            Apply(params, Lowered(Trimmed(pair.substr(0, equals))),
                  Lowered(Trimmed(pair.substr(equals + 1))));
        start = comma + 1;
    }
    return params;
}

} // namespace speechsdk
