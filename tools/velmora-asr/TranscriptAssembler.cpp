#include "tools/velmora-asr/TranscriptAssembler.h"

#include "speech/sdk/ResultWords.h"

#include <json/json.h>

#include <memory>

namespace {

bool ParseObject(const std::string& text, Json::Value& root) {
    Json::CharReaderBuilder builder;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    std::string errors;
    return reader->parse(text.data(), text.data() + text.size(), &root, &errors) &&
           root.isObject() && root["ws"].isArray();
}

} // namespace

void TranscriptAssembler::Add(const std::string& result) {
    Json::Value root;
    if (!ParseObject(result, root)) {
        pieces_[nextPlain_++] = result;
        return;
    }
    const int sn = root["sn"].isInt() ? root["sn"].asInt() : nextPlain_;
    const Json::Value& range = root["rg"];
    if (root["pgs"].asString() == "rpl" && range.isArray() && range.size() == 2 &&
        range[0].isInt() && range[1].isInt() && range[0].asInt() <= range[1].asInt()) {
        pieces_.erase(pieces_.lower_bound(range[0].asInt()), pieces_.upper_bound(range[1].asInt()));
    }
    pieces_[sn] = speechsdk::JoinResultWords(root["ws"]);
    nextPlain_ = sn + 1;
}

std::string TranscriptAssembler::Text() const {
    std::string text;
    for (const auto& piece : pieces_)
        text += piece.second;
    return text;
}
