#include "speech/sdk/SessionParams.h"
#include "speech/sdk/EngineParamTable.h"

#include <gtest/gtest.h>

using namespace speechsdk;

namespace {

struct ParamCase {
    const char* name;
    const char* text;
    std::string language;
    std::string accent;
    int sampleRate;
    ResultType type;
    std::string encoding;
    int vadBos;
    int vadEos;
    bool punctuation;
    bool progressive;
};

const ResultType J = ResultType::json;
const ResultType P = ResultType::plain;

const ParamCase kParamCases[] = {
    {"no text", nullptr, "zh_cn", "mandarin", 16000, P, "utf8", 5000, 1800, true, false},
    {"engine english text",
     "sub = iat, domain = iat, language = en_us, accent = mandarin, sample_rate = 16000, "
     "result_type = json, result_encoding = utf8,vad_eos = 100000,vad_bos = 100000,ptt=0,",
     "en_us", "mandarin", 16000, J, "utf8", 100000, 100000, false, false},
    {"blanks around every sign",
     "language = zh_cn , accent = cantonese ,  vad_eos = 5000, vad_bos = 100000, ptt = 0,", "zh_cn",
     "cantonese", 16000, P, "utf8", 100000, 5000, false, false},
    {"names and values in capitals", "LANGUAGE = EN_US, Result_Type = JSON, PTT = 1", "en_us",
     "mandarin", 16000, J, "utf8", 5000, 1800, true, false},
    {"nonsense values keep defaults",
     "language = ../../etc, accent = , sample_rate = 44100, result_type = xml, "
     "result_encoding = latin1, vad_bos = -5, vad_eos = 12abc, ptt = yes, dwa = maybe",
     "zh_cn", "mandarin", 16000, P, "utf8", 5000, 1800, true, false},
    {"numbers out of range", "vad_eos = 99999999999, vad_bos = 0, sample_rate = 0", "zh_cn",
     "mandarin", 16000, P, "utf8", 5000, 1800, true, false},
    {"broken pairs are skipped", "no equals here,,,=,language=,=en_us, accent = lmz", "zh_cn",
     "lmz", 16000, P, "utf8", 5000, 1800, true, false},
    {"later value wins", "vad_eos = 100000, vad_eos = 800", "zh_cn", "mandarin", 16000, P, "utf8",
     5000, 800, true, false},
    {"narrow band, gbk, progressive", "sample_rate = 8000, result_encoding = gbk, dwa = wpgs",
     "zh_cn", "mandarin", 8000, P, "gbk", 5000, 1800, true, true},
};

TEST(SessionParamsTest, ReadsEveryNameAndKeepsDefaultsForWhatItCannotUse) {
    for (const auto& c : kParamCases) {
        SCOPED_TRACE(c.name);
        const auto params = SessionParams::Parse(c.text);
        EXPECT_EQ(params.language, c.language);
        EXPECT_EQ(params.accent, c.accent);
        EXPECT_EQ(params.sampleRate, c.sampleRate);
        EXPECT_EQ(params.resultType, c.type);
        EXPECT_EQ(params.resultEncoding, c.encoding);
        EXPECT_EQ(params.vadBosMs, c.vadBos);
        EXPECT_EQ(params.vadEosMs, c.vadEos);
        EXPECT_EQ(params.punctuation, c.punctuation);
        EXPECT_EQ(params.progressive, c.progressive);
    }
}

TEST(EngineParamTableTest, TextsAreByteExact) {
    EXPECT_EQ(EngineParamTable::Text(ParamTable::LongEndPtt0, "yue_cht"),
              "sub = iat, domain = iat, language = zh_cn, accent = cantonese, rlang = zh-hk, "
              "sample_rate = 16000, result_type = json, result_encoding = utf8,vad_eos = "
              "100000,vad_bos = 100000,ptt=0,");
    EXPECT_EQ(EngineParamTable::Text(ParamTable::ShortEndPtt1, "chinese"),
              "sub = iat, domain = iat, language = zh_cn, accent = mandarin, sample_rate = "
              "16000, result_type = json, result_encoding = utf8, vad_eos = 5000,vad_bos = "
              "100000,ptt=1,");
    EXPECT_EQ(EngineParamTable::Text(ParamTable::ShortEndPtt1, "cht"),
              "sub = iat, domain = iat, language = zh_cn, accent = mandarin, rlang = zh-hk, "
              "sample_rate = 16000, result_type = json, result_encoding = utf8,vad_eos = "
              "5000,vad_bos = 100000,ptt=1,");
    EXPECT_FALSE(EngineParamTable::Text(ParamTable::LongEndPtt0, "zh_cn"));
    EXPECT_FALSE(EngineParamTable::Text(ParamTable::LongEndPtt0, "English"));

    const auto fallback = SessionParams::Parse(EngineParamTable::DefaultText().c_str());
    EXPECT_EQ(fallback.resultType, ResultType::plain);
    EXPECT_EQ(fallback.resultEncoding, "gb2312");
}

TEST(EngineParamTableTest, EveryEngineTextIsUnderstoodByTheLibrary) {
    struct TableCase {
        ParamTable table;
        int vadEos;
        bool punctuation;
    };
    const TableCase tables[] = {{ParamTable::LongEndPtt0, 100000, false},
                                {ParamTable::LongEndPtt1, 100000, true},
                                {ParamTable::ShortEndPtt0, 5000, false},
                                {ParamTable::ShortEndPtt1, 5000, true}};
    struct KeyCase {
        const char* key;
        const char* language;
        const char* accent;
        const char* region;
    };
    const KeyCase keys[] = {
        {"english", "en_us", "mandarin", ""}, {"chinese", "zh_cn", "mandarin", ""},
        {"yue", "zh_cn", "cantonese", ""},    {"yue_cht", "zh_cn", "cantonese", "zh-hk"},
        {"sichuan", "zh_cn", "lmz", ""},      {"shanghai", "zh_cn", "shanghainese", ""},
        {"minnan", "zh_cn", "minnanese", ""}, {"kejia", "zh_cn", "hakkanese", ""},
        {"cht", "zh_cn", "mandarin", "zh-hk"}};
    for (const auto& table : tables) {
        for (const auto& key : keys) {
            SCOPED_TRACE(key.key);
            const auto text = EngineParamTable::Text(table.table, key.key);
            ASSERT_TRUE(text);
            const auto params = SessionParams::Parse(text->c_str());
            EXPECT_EQ(params.language, key.language);
            EXPECT_EQ(params.accent, key.accent);
            EXPECT_EQ(params.region, key.region);
            EXPECT_EQ(params.resultType, ResultType::json);
            EXPECT_EQ(params.resultEncoding, "utf8");
            EXPECT_EQ(params.vadEosMs, table.vadEos);
            EXPECT_EQ(params.vadBosMs, 100000);
            EXPECT_EQ(params.punctuation, table.punctuation);
        }
    }
}

} // namespace
