#include "commands/CommandService.h"
#include "app/CConfig.h"
#include "commands/SemanticReply.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace {

// Settings with a mouse and a pen identity and a channel name that needs encoding.
class CommandQueries : public ::testing::Test {
protected:
    void SetUp() override {
        QFile ini(m_dir.path() + "/custom.ini");
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[client]\nchannelName=Store & Co\nversion=1.2.3\n");
        ini.close();
        m_config = std::make_unique<CConfig>(m_dir.path() + "/");
        // The device link stores the identity of the device it reads.
        const std::pair<ConfigKey, const char*> identity[] = {
            {ConfigKey::Vid, "6352"},           {ConfigKey::Pid, "C098"},
            {ConfigKey::Sn, "HMXWW0102030405"}, {ConfigKey::LpVid, "B75C"},
            {ConfigKey::LpPid, "A217"},         {ConfigKey::LpSn, "PEN 1"}};
        for (const auto& [key, value] : identity)
            m_config->Set(key, value);
    }
    QTemporaryDir m_dir;
    std::unique_ptr<CConfig> m_config;
};

TEST_F(CommandQueries, FollowTheServiceOrderAndEncoding) {
    const QString mac = QStringLiteral("00-1A-2B-3C-4D-5E");
    EXPECT_EQ(FetchCommandsQuery(*m_config, IdentityFromConfig(*m_config, 0), mac),
              "/api/getSiDeviceCmdList.json?vid=6352&pid=C098&sn=HMXWW0102030405"
              "&channelName=Store+%26+Co&macAddr=00-1A-2B-3C-4D-5E&clientversion=1.2.3");
    EXPECT_EQ(FetchCommandsQuery(*m_config, IdentityFromConfig(*m_config, 1), mac),
              "/api/getSiDeviceCmdList.json?vid=B75C&pid=A217&sn=PEN 1"
              "&channelName=Store+%26+Co&macAddr=00-1A-2B-3C-4D-5E&clientversion=1.2.3");
    EXPECT_EQ(FetchCommandsQuery(*m_config, IdentityFromConfig(*m_config, 2), mac),
              "/api/getSiDeviceCmdList.json?&channelName=Store+%26+Co"
              "&macAddr=00-1A-2B-3C-4D-5E&clientversion=1.2.3");
    const CommandRecord record{QStringLiteral("https://a.example/?q=1 2"),
                               QStringLiteral("项目 A&B"), QStringLiteral("website"), QString()};
    EXPECT_EQ(AddCommandQuery(*m_config, IdentityFromConfig(*m_config, 0), mac, record),
              "/api/editiorAddSiDeviceCmd.json?customName=https%3A%2F%2Fa.example%2F%3Fq%3D1+2"
              "&customCmd=%E9%A1%B9%E7%9B%AE+A%26B&cmdType=website&vid=6352&pid=C098"
              "&sn=HMXWW0102030405&channelName=Store+%26+Co&macAddr=00-1A-2B-3C-4D-5E"
              "&clientversion=1.2.3");
    EXPECT_EQ(
        DeleteCommandQuery(*m_config, IdentityFromConfig(*m_config, 1), mac, QStringLiteral("a+b")),
        "/api/deleteSiDeviceCmd.json?customCmd=a%2Bb&vid=B75C&pid=A217&sn=PEN 1"
        "&channelName=Store+%26+Co&macAddr=00-1A-2B-3C-4D-5E&clientversion=1.2.3");
}

struct ListCase {
    const char* name;
    const char* body;
    bool changes;
    std::vector<CommandRecord> records;
};

CommandRecord Rec(const char* name, const char* cmd, const char* type) {
    return {QString::fromUtf8(name), QString::fromUtf8(cmd), QString::fromUtf8(type),
            QStringLiteral("1")};
}

class CommandListReplies : public ::testing::TestWithParam<ListCase> {};

TEST_P(CommandListReplies, ReplaceOnlyWithAWellFormedList) {
    const ListCase& row = GetParam();
    const auto records = ParseCommandList(row.body);
    ASSERT_EQ(records.has_value(), row.changes);
    if (records) {
        EXPECT_EQ(*records, row.records);
    }
}

const ListCase kListCases[] = {
    {"KeepsOrderAndShownOnly",
     R"({"rc":"0","data":[{"customName":"/a","customCmd":"甲","cmdType":"file","isshow":"1"},)"
     R"({"customName":"/b","customCmd":"乙","cmdType":"file","isshow":"0"},)"
     R"({"customName":"/c","customCmd":"丙","cmdType":"folder","isshow":"1"}]})",
     true,
     {Rec("/a", "甲", "file"), Rec("/c", "丙", "folder")}},
    {"NumericRc", R"({"rc":0,"data":[{"customCmd":"x","isshow":"1"}]})", true, {Rec("", "x", "")}},
    {"EmptyList", R"({"rc":"0","data":[]})", true, {}},
    {"MissingIsshowIsHidden", R"({"rc":"0","data":[{"customCmd":"x"}]})", true, {}},
    {"RcNotZero", R"({"rc":"1","data":[]})", false, {}},
    {"NoRc", R"({"data":[]})", false, {}},
    {"NotJson", "<html>busy</html>", false, {}},
    {"Truncated", R"({"rc":"0","data":[{"customCmd":"x","isshow":"1"})", false, {}},
    {"DataObject", R"({"rc":"0","data":{"customCmd":"x"}})", false, {}},
    {"DataMissing", R"({"rc":"0"})", false, {}},
    {"ItemNotObject", R"({"rc":"0","data":[{"customCmd":"x","isshow":"1"},"y"]})", false, {}},
    {"MistypedMember", R"({"rc":"0","data":[{"customCmd":5,"isshow":"1"}]})", false, {}},
    {"MistypedIsshow", R"({"rc":"0","data":[{"customCmd":"x","isshow":1}]})", false, {}},
    {"TopLevelArray", R"([{"rc":"0"}])", false, {}},
};

INSTANTIATE_TEST_SUITE_P(Cases, CommandListReplies, ::testing::ValuesIn(kListCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct SemanticCase {
    const char* name;
    const char* body;
    SemanticAnswer::Action action;
    const char* value;
};

class SemanticReplies : public ::testing::TestWithParam<SemanticCase> {};

TEST_P(SemanticReplies, OpenSearchOrNothing) {
    const SemanticCase& row = GetParam();
    const SemanticAnswer answer = ParseSemanticReply(row.body);
    EXPECT_EQ(answer.action, row.action);
    EXPECT_EQ(answer.value, row.value);
}

constexpr auto kOpen = SemanticAnswer::Action::Open;
constexpr auto kSearch = SemanticAnswer::Action::WebSearch;
constexpr auto kNothing = SemanticAnswer::Action::Nothing;

const SemanticCase kSemanticCases[] = {
    {"Value", R"({"rc":"0","semantic":[{"pars":[{"value":"https://a.example/"}]}]})", kOpen,
     "https://a.example/"},
    {"NumericRc", R"({"rc":0,"semantic":[{"pars":[{"value":"http://b"}]}]})", kOpen, "http://b"},
    {"EmptySemantic", R"({"rc":0,"semantic":[]})", kSearch, ""},
    {"EmptyValue", R"({"rc":"0","semantic":[{"pars":[{"value":""}]}]})", kSearch, ""},
    {"MissingPars", R"({"rc":"0","semantic":[{}]})", kSearch, ""},
    {"Refused", R"({"rc":"4","semantic":[{"pars":[{"value":"http://b"}]}]})", kSearch, ""},
    {"SemanticNotArray", R"({"rc":"0","semantic":"x"})", kSearch, ""},
    {"ParsNotArray", R"({"rc":"0","semantic":[{"pars":{"value":"http://b"}}]})", kSearch, ""},
    {"ValueNotText", R"({"rc":"0","semantic":[{"pars":[{"value":["http://b"]}]}]})", kSearch, ""},
    {"TopLevelArray", R"([1,2])", kSearch, ""},
    {"NotJson", "Service Unavailable", kNothing, ""},
    {"Empty", "", kNothing, ""},
};

INSTANTIATE_TEST_SUITE_P(Cases, SemanticReplies, ::testing::ValuesIn(kSemanticCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
