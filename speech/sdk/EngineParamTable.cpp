#include "speech/sdk/EngineParamTable.h"

namespace speechsdk {
namespace {

struct LanguageEntry {
    const char* key;
    const char* language;
    const char* accent;
    bool hongKongRegion;
};

const LanguageEntry kLanguages[] = {
    {"english", "en_us", "mandarin", false}, {"chinese", "zh_cn", "mandarin", false},
    {"yue", "zh_cn", "cantonese", false},    {"yue_cht", "zh_cn", "cantonese", true},
    {"sichuan", "zh_cn", "lmz", false},      {"shanghai", "zh_cn", "shanghainese", false},
    {"minnan", "zh_cn", "minnanese", false}, {"kejia", "zh_cn", "hakkanese", false},
    {"cht", "zh_cn", "mandarin", true},
};

// The blanks differ between the tables; the texts are kept exactly as the engine sends them.
std::string Tail(ParamTable table, const std::string& key) {
    switch (table) {
    case ParamTable::LongEndPtt0:
        return "vad_eos = 100000,vad_bos = 100000,ptt=0,";
    case ParamTable::LongEndPtt1:
        return "vad_eos = 100000,vad_bos = 100000,ptt=1,";
    case ParamTable::ShortEndPtt0:
        return " vad_eos = 5000, vad_bos = 100000, ptt = 0,";
    case ParamTable::ShortEndPtt1:
        return key == "chinese" ? " vad_eos = 5000,vad_bos = 100000,ptt=1,"
                                : "vad_eos = 5000,vad_bos = 100000,ptt=1,";
    }
    return {};
}

} // namespace

std::optional<std::string> EngineParamTable::Text(ParamTable table, const std::string& key) {
    for (const auto& entry : kLanguages) {
        if (key != entry.key)
            continue;
        std::string text = "sub = iat, domain = iat, language = ";
        text += entry.language;
        text += ", accent = ";
        text += entry.accent;
        text += ", ";
        if (entry.hongKongRegion)
            text += "rlang = zh-hk, ";
        text += "sample_rate = 16000, result_type = json, result_encoding = utf8,";
        return text + Tail(table, key);
    }
    return std::nullopt;
}

std::string EngineParamTable::DefaultText() {
    return "sub = iat, domain = iat, language = zh_cn, accent = mandarin, sample_rate = 16000, "
           "result_type = plain, result_encoding = gb2312";
}

} // namespace speechsdk
