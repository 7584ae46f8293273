#include "speech/sdk/ResultFormatter.h"

#include <json/json.h>

#include <iconv.h>

#include <cerrno>

namespace speechsdk {

ResultFormatter::ResultFormatter(const SessionParams& params)
    : m_type(params.resultType), m_encoding(params.resultEncoding) {}

std::string ResultFormatter::Format(const SentenceResult& result) const {
    const std::string text = m_type == ResultType::json ? Json(result) : Plain(result);
    return Encoded(text, m_encoding);
}

std::string ResultFormatter::Json(const SentenceResult& result) {
    Json::Value root(Json::objectValue);
    root["sn"] = result.sn;
    root["ls"] = result.last;
    if (!result.pgs.empty()) {
        root["pgs"] = result.pgs;
        if (result.pgs == "rpl") {
            Json::Value range(Json::arrayValue);
            range.append(result.replaceFirst);
            range.append(result.replaceLast);
            root["rg"] = range;
        }
    }
    Json::Value words(Json::arrayValue);
    for (const auto& word : result.words) {
        Json::Value candidate(Json::objectValue);
        candidate["w"] = word;
        Json::Value entry(Json::objectValue);
        entry["cw"].append(candidate);
        words.append(entry);
    }
    root["ws"] = words;
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "";
    builder["emitUTF8"] = true;
    return Json::writeString(builder, root);
}

std::string ResultFormatter::Plain(const SentenceResult& result) {
    std::string text;
    for (const auto& word : result.words)
        text += word;
    return text;
}

std::string ResultFormatter::Encoded(const std::string& utf8, const std::string& encoding) {
    if (encoding == "utf8")
        return utf8;
    const std::string target = encoding == "gbk" ? "GBK" : "GB2312";
    iconv_t converter = iconv_open(target.c_str(), "UTF-8");
    if (converter == reinterpret_cast<iconv_t>(-1))
        return utf8;
    std::string out;
    std::string input = utf8;
    char* in = input.data();
    size_t inLeft = input.size();
    char buffer[256];
    while (inLeft > 0) {
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        const size_t done = iconv(converter, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, outPtr);
        if (done == static_cast<size_t>(-1) && errno != E2BIG) {
            // Skip one unconvertible or broken UTF-8 character.
            out += '?';
            do {
                ++in;
                --inLeft;
            } while (inLeft > 0 && (static_cast<unsigned char>(*in) & 0xC0) == 0x80);
        }
    }
    iconv_close(converter);
    return out;
}

} // namespace speechsdk
