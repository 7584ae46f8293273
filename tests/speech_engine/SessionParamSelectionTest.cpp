#include "speech/SessionParamSelection.h"
#include "app/CConfig.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <optional>
#include <string>

namespace {

const std::string kHead = "sub = iat, domain = iat, language = ";
const std::string kRate = "sample_rate = 16000, result_type = json, result_encoding = utf8,";

struct Language {
    const char* key;
    std::string middle; // language, accent and region as every table writes them
};

const Language kLanguages[] = {
    {"english", "en_us, accent = mandarin, "},
    {"chinese", "zh_cn, accent = mandarin, "},
    {"yue", "zh_cn, accent = cantonese, "},
    {"yue_cht", "zh_cn, accent = cantonese, rlang = zh-hk, "},
    {"sichuan", "zh_cn, accent = lmz, "},
    {"shanghai", "zh_cn, accent = shanghainese, "},
    {"minnan", "zh_cn, accent = minnanese, "},
    {"kejia", "zh_cn, accent = hakkanese, "},
    {"cht", "zh_cn, accent = mandarin, rlang = zh-hk, "},
};

// The settings that reach each table, and the tail its texts end with.
struct Table {
    int kind;
    const char* type;
    const char* ptt;
    std::string tail;
};

const Table kTables[] = {
    {0, "v6", "off", "vad_eos = 100000,vad_bos = 100000,ptt=0,"},
    {0, "v6", "on", "vad_eos = 100000,vad_bos = 100000,ptt=1,"},
    {0, "v9", "off", " vad_eos = 5000, vad_bos = 100000, ptt = 0,"},
    {0, "v9", "on", "vad_eos = 5000,vad_bos = 100000,ptt=1,"},
    {1, "", "off", "vad_eos = 100000,vad_bos = 100000,ptt=0,"},
    {1, "v9", "on", "vad_eos = 100000,vad_bos = 100000,ptt=1,"},
};

class SessionParamSelectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_config = std::make_unique<CConfig>(m_dir.path() + "/");
    }

    // Mouse and pen settings both point at the case, so the kind alone must pick.
    void Configure(const char* type, const char* ptt, const QString& language) {
        m_config->SetType(type);
        m_config->SetPtt(ptt);
        m_config->SetLpPtt(ptt);
        m_config->SetRecognitionLanguage(language);
        m_config->SetLpLanguage(language);
    }

    QTemporaryDir m_dir;
    std::unique_ptr<CConfig> m_config;
};

TEST_F(SessionParamSelectionTest, EveryTableGivesEveryLanguageItsExactText) {
    for (const Table& table : kTables) {
        for (const Language& language : kLanguages) {
            SCOPED_TRACE(std::string(table.type) + " " + table.ptt + " kind " +
                         std::to_string(table.kind) + " " + language.key);
            Configure(table.type, table.ptt, language.key);
            std::string expected = kHead + language.middle + kRate + table.tail;
            // The one text of the short-end punctuating table with a blank before vad_eos.
            if (table.type == std::string("v9") && table.ptt == std::string("on") &&
                table.kind == 0 && language.key == std::string("chinese"))
                expected =
                    kHead + language.middle + kRate + " vad_eos = 5000,vad_bos = 100000,ptt=1,";
            EXPECT_EQ(SelectSessionParams(*m_config, table.kind), expected);
        }
    }
}

TEST_F(SessionParamSelectionTest, SpelledOutExamplesMatchByteForByte) {
    Configure("v6", "off", "yue_cht");
    EXPECT_EQ(SelectSessionParams(*m_config, 0),
              "sub = iat, domain = iat, language = zh_cn, accent = cantonese, rlang = zh-hk, "
              "sample_rate = 16000, result_type = json, result_encoding = utf8,vad_eos = "
              "100000,vad_bos = 100000,ptt=0,");
    Configure("v9", "on", "chinese");
    EXPECT_EQ(SelectSessionParams(*m_config, 0),
              "sub = iat, domain = iat, language = zh_cn, accent = mandarin, sample_rate = 16000, "
              "result_type = json, result_encoding = utf8, vad_eos = 5000,vad_bos = "
              "100000,ptt=1,");
    Configure("v9", "off", "cht");
    EXPECT_EQ(SelectSessionParams(*m_config, 0),
              "sub = iat, domain = iat, language = zh_cn, accent = mandarin, rlang = zh-hk, "
              "sample_rate = 16000, result_type = json, result_encoding = utf8, vad_eos = 5000, "
              "vad_bos = 100000, ptt = 0,");
}

TEST_F(SessionParamSelectionTest, EachDeviceReadsItsOwnSettings) {
    m_config->SetType("v9");
    m_config->SetPtt("off");
    m_config->SetRecognitionLanguage("english");
    m_config->SetLpPtt("on");
    m_config->SetLpLanguage("yue");

    const auto mouse = SelectSessionParams(*m_config, 0);
    ASSERT_TRUE(mouse);
    EXPECT_NE(mouse->find("language = en_us"), std::string::npos);
    EXPECT_NE(mouse->find(" vad_eos = 5000, vad_bos = 100000, ptt = 0,"), std::string::npos);

    // The pen always has the long end of speech, whatever the mouse's generation.
    const auto pen = SelectSessionParams(*m_config, 1);
    ASSERT_TRUE(pen);
    EXPECT_NE(pen->find("accent = cantonese"), std::string::npos);
    EXPECT_NE(pen->find("vad_eos = 100000,vad_bos = 100000,ptt=1,"), std::string::npos);
}

TEST_F(SessionParamSelectionTest, SettingsWithoutATableEntryGiveNone) {
    struct Case {
        int kind;
        const char* type;
        const char* ptt;
        const char* language;
    };
    const Case cases[] = {
        {0, "v6", "on", "zh_cn"},   // the configuration's own default language
        {0, "v6", "on", "English"}, // keys are matched exactly
        {0, "v6", "on", ""},
        {0, "", "on", "english"}, // the mouse has not reported its generation
        {0, "v7", "on", "english"},
        {0, "V6", "on", "english"},
        {0, "v6", "yes", "english"},
        {0, "v9", "", "english"},
        {1, "v6", "On", "english"},
        {2, "v6", "on", "english"}, // the recording pen
        {-1, "v6", "on", "english"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.kind) + " " + c.type + " " + c.ptt + " " + c.language);
        Configure(c.type, c.ptt, c.language);
        EXPECT_EQ(SelectSessionParams(*m_config, c.kind), std::nullopt);
    }
}

} // namespace
