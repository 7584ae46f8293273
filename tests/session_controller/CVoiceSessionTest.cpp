#include "session/CVoiceSession.h"
#include "app/CConfig.h"
#include "speech/IIatCallBack.h"
#include "speech/IIatEngine.h"
#include "ui/framework/CResourceManager.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <memory>
#include <string>
#include <vector>

namespace {

// Records every command the session gives its engine.
class ScriptedEngine : public IIatEngine {
public:
    std::vector<std::string> calls;
    void Login() override { calls.push_back("Login"); }
    void Logout() override { calls.push_back("Logout"); }
    void Start() override { calls.push_back("Start"); }
    void Quit() override { calls.push_back("Quit"); }
    void BeginRecognize() override { calls.push_back("Begin"); }
    void EndRecognize() override { calls.push_back("End"); }
    void UpdateParams() override { calls.push_back("Update"); }
    void RestartRecognize() override { calls.push_back("Restart"); }
};

struct Outputs {
    std::vector<std::string> typed;
    std::vector<std::string> commands;
    std::vector<std::string> translated;
    std::vector<std::string> tips; // "state:text:hide"
    std::vector<int> tipDelays;
    std::vector<std::string> subtitles;
    std::vector<std::string> sessionFile; // appended texts, "<end>" for the final result
    std::vector<std::string> usage;
    int deviceInfo = 0;
    int endOfVoice = 0;
    int resetKey = 0;
};

class VoiceSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        config = std::make_shared<CConfig>(dir.path() + "/");
        CVoiceSession::Context c;
        c.config = config;
        c.deviceKind = [this] { return deviceKind; };
        c.showVoiceTip = [this](int state, const QString& text, bool hide, int delayMs) {
            out.tipDelays.push_back(delayMs);
            out.tips.push_back(std::to_string(state) + ":" + text.toStdString() + ":" +
                               (hide ? "hide" : "stay"));
        };
        c.typeText = [this](const std::string& text) { out.typed.push_back(text); };
        c.handleCommand = [this](const std::string& text) { out.commands.push_back(text); };
        c.translateAndType = [this](const std::string& text) { out.translated.push_back(text); };
        c.addSubtitleText = [this](const QString& text) {
            out.subtitles.push_back(text.toStdString());
        };
        c.appendSessionText = [this](const QString& text) {
            out.sessionFile.push_back(text.toStdString());
        };
        c.endSessionText = [this] { out.sessionFile.push_back("<end>"); };
        c.recordUsageEvent = [this](int kind, const std::string& first, const std::string& second) {
            out.usage.push_back(std::to_string(kind) + ":" + first + ":" + second);
        };
        c.sendDeviceInfo = [this] { ++out.deviceInfo; };
        c.sendEndOfVoiceState = [this] { ++out.endOfVoice; };
        c.resetMouseLastKey = [this] { ++out.resetKey; };
        session = std::make_unique<CVoiceSession>(std::move(c));
        session->SetEngine(&engine);
    }

    QTemporaryDir dir;
    std::shared_ptr<CConfig> config;
    int deviceKind = 0;
    Outputs out;
    ScriptedEngine engine;
    std::unique_ptr<CVoiceSession> session;
};

TEST_F(VoiceSessionTest, TypingTypesEveryPieceInOrderAndKeepsTheWholeText) {
    session->OnKeyDown(0);
    session->OnResult("go forward", false, "apd");
    session->OnResult(" ten meters", true, "apd");
    session->OnKeyUp();
    EXPECT_EQ(out.typed, (std::vector<std::string>{"go forward", " ten meters"}));
    EXPECT_EQ(session->SessionText(), "go forward ten meters");
    EXPECT_TRUE(session->LastFlag());
    EXPECT_EQ(engine.calls, (std::vector<std::string>{"Begin", "End"}));
    EXPECT_EQ(out.tips, (std::vector<std::string>{"0::stay", "1::hide"}));
}

TEST_F(VoiceSessionTest, SpokenPunctuationOnlyForTheMouseWithPunctuationOff) {
    struct Case {
        int kind;
        const char* ptt;
        const char* lpPtt;
        const char* result;
        const char* typed;
    } cases[] = {
        {0, "off", "on", "逗号", "，"},       {0, "on", "on", "逗号", "逗号"},
        {0, "off", "on", "省略号", "......"}, {0, "off", "on", "逗号逗号", "逗号逗号"},
        {1, "on", "off", "逗号", "逗号"},     {0, "off", "on", "引号", "“”"},
    };
    for (const Case& c : cases) {
        config->SetPtt(c.ptt);
        config->SetLpPtt(c.lpPtt);
        deviceKind = c.kind;
        out.typed.clear();
        session->OnKeyDown(0);
        session->OnResult(c.result, true, "apd");
        ASSERT_EQ(out.typed.size(), 1u) << c.result;
        EXPECT_EQ(out.typed[0], c.typed) << c.result << " kind " << c.kind;
    }
}

TEST_F(VoiceSessionTest, SearchHandsTheWholeTextOverOnceAtTheEnd) {
    session->OnKeyDown(1);
    session->OnResult("open", false, "apd");
    session->OnResult(" notepad", true, "apd");
    EXPECT_TRUE(out.typed.empty());
    EXPECT_EQ(out.commands, (std::vector<std::string>{"open notepad"}));
    EXPECT_EQ(out.usage, (std::vector<std::string>{"1:语音搜索:open notepad"}));
    EXPECT_EQ(out.tips.back(), "2:open notepad:hide");
}

TEST_F(VoiceSessionTest, TranslationWithSwitchOffShowsSourceThenTranslatesAtTheEnd) {
    config->SetTranslateSwitch("off");
    session->OnKeyDown(2);
    session->OnResult("hello", false, "apd");
    EXPECT_TRUE(out.translated.empty());
    session->OnResult(" world", true, "apd");
    EXPECT_EQ(out.translated, (std::vector<std::string>{"hello world"}));
    EXPECT_EQ(out.tips.back(), "2:hello world:stay");
    EXPECT_TRUE(out.typed.empty());
}

TEST_F(VoiceSessionTest, ResultAfterModeChangeFollowsTheNewMode) {
    session->OnKeyDown(0);
    session->OnKeyDown(1);
    session->OnResult("late", true, "apd");
    EXPECT_TRUE(out.typed.empty());
    EXPECT_EQ(out.commands, (std::vector<std::string>{"late"}));
}

TEST_F(VoiceSessionTest, SubtitleResultsGoToTheSubtitlesOnly) {
    deviceKind = 1;
    session->OnKeyDown(3);
    session->OnResult("slide one", false, "rpl");
    EXPECT_EQ(out.subtitles, (std::vector<std::string>{"slide one"}));
    EXPECT_TRUE(out.typed.empty());
    EXPECT_EQ(session->SessionText(), "");
    session->OnSpeechEnd();
    EXPECT_EQ(engine.calls.back(), "Restart");
}

// Only final ("apd") texts are kept in the session file; replaced ones ("rpl") would repeat
// words. The final result of the session closes the file's text.
TEST_F(VoiceSessionTest, SubtitleSessionFileGetsFinalTextsAndTheEnd) {
    deviceKind = 1;
    session->OnKeyDown(3);
    session->OnResult("slide", false, "rpl");
    session->OnResult("slide one", false, "apd");
    session->OnResult("thanks", true, "apd");
    EXPECT_EQ(out.sessionFile, (std::vector<std::string>{"slide one", "thanks", "<end>"}));
    EXPECT_EQ(out.subtitles, (std::vector<std::string>{"slide", "slide one", "thanks"}));
}

struct GenerationCase {
    const char* name;
    bool withEngine; // false: "ms", or an engine that is not built
};

class VoiceSessionGeneration : public VoiceSessionTest,
                               public ::testing::WithParamInterface<GenerationCase> {};

TEST_P(VoiceSessionGeneration, DeviceInformationFollowsTheGenerationWithOrWithoutAnEngine) {
    if (!GetParam().withEngine)
        session->SetEngine(nullptr);
    session->OnGenerationKnown(0); // v6 or pen: start, flag set
    session->OnGenerationKnown(1); // v9 after a started engine: re-parameterise, flag cleared
    session->OnGenerationKnown(1); // v9 again: start
    EXPECT_EQ(engine.calls, GetParam().withEngine
                                ? (std::vector<std::string>{"Start", "Update", "Start"})
                                : std::vector<std::string>{});
    EXPECT_EQ(out.deviceInfo, 2);
    EXPECT_FALSE(session->EngineStarted());
}

INSTANTIATE_TEST_SUITE_P(Engines, VoiceSessionGeneration,
                         ::testing::Values(GenerationCase{"Xf", true},
                                           GenerationCase{"None", false}),
                         [](const ::testing::TestParamInfo<GenerationCase>& info) {
                             return info.param.name;
                         });

TEST_F(VoiceSessionTest, SpeechEndOnAV9MouseEndsTheMouseVoiceState) {
    config->SetType("v9");
    session->OnKeyDown(0);
    session->OnSpeechEnd();
    EXPECT_EQ(out.endOfVoice, 1);
    EXPECT_EQ(out.resetKey, 1);
    EXPECT_EQ(out.tips.back(), "1::hide");
    config->SetType("v6");
    session->OnSpeechEnd();
    EXPECT_EQ(out.endOfVoice, 1);
}

TEST_F(VoiceSessionTest, WithoutAnEngineKeysStillShowTheTip) {
    session->SetEngine(nullptr);
    session->OnKeyDown(0);
    session->OnKeyUp();
    EXPECT_EQ(out.tips, (std::vector<std::string>{"0::stay", "1::hide"}));
    EXPECT_TRUE(engine.calls.empty());
}

struct FailureRow {
    const char* language;
    int reason;
    const char* text;
};

class FailureTipTest : public VoiceSessionTest, public testing::WithParamInterface<FailureRow> {
protected:
    void TearDown() override { CResourceManager::Instance().Clear(); }
};

// The engine's failure replaces the listening tip for 3 s, that session's key-up leaves it,
// and nothing is typed; the next session shows its tips as ever.
TEST_P(FailureTipTest, ShowsTheReasonsTextAndTheKeyUpKeepsIt) {
    QFile table(QStringLiteral(VELMORA_SOURCE_DIR "/skin/") + GetParam().language +
                QStringLiteral(".xml"));
    ASSERT_TRUE(table.open(QIODevice::ReadOnly));
    ASSERT_TRUE(CResourceManager::Instance().LoadLanguageData(table.readAll()));

    session->OnKeyDown(0);
    session->OnReserved1(GetParam().reason, 0);
    session->OnKeyUp();
    EXPECT_EQ(out.tips,
              (std::vector<std::string>{"0::stay", std::string("2:") + GetParam().text + ":hide"}));
    EXPECT_EQ(out.tipDelays.back(), 3000);
    EXPECT_TRUE(out.typed.empty());
    EXPECT_EQ(engine.calls, (std::vector<std::string>{"Begin", "End"}));

    session->OnKeyDown(0);
    session->OnKeyUp();
    EXPECT_EQ(out.tips.back(), "1::hide");
}

INSTANTIATE_TEST_SUITE_P(
    Tables, FailureTipTest,
    testing::Values(
        FailureRow{"lan_en", IIatCallBack::kFailureUnreachable,
                   "Cannot reach the speech recognition service"},
        FailureRow{"lan_en", IIatCallBack::kFailureRefused,
                   "The speech recognition service refused the credentials"},
        FailureRow{"lan_en", IIatCallBack::kFailureUnconfigured,
                   "The speech recognition service is not set up"},
        FailureRow{"lan_cn", IIatCallBack::kFailureUnreachable, "无法连接语音识别服务"},
        FailureRow{"lan_cn", IIatCallBack::kFailureRefused, "语音识别服务拒绝了访问凭据"},
        FailureRow{"lan_cn", IIatCallBack::kFailureUnconfigured, "语音识别服务尚未配置"},
        FailureRow{"lan_cht", IIatCallBack::kFailureUnreachable, "無法連線語音辨識服務"},
        FailureRow{"lan_cht", IIatCallBack::kFailureRefused, "語音辨識服務拒絕了存取憑證"},
        FailureRow{"lan_cht", IIatCallBack::kFailureUnconfigured, "語音辨識服務尚未設定"},
        FailureRow{"lan_jp", IIatCallBack::kFailureUnreachable, "音声認識サービスに接続できません"},
        FailureRow{"lan_jp", IIatCallBack::kFailureRefused,
                   "音声認識サービスが認証情報を拒否しました"},
        FailureRow{"lan_jp", IIatCallBack::kFailureUnconfigured,
                   "音声認識サービスが設定されていません"}));

TEST_F(VoiceSessionTest, AnUnknownReservedReportChangesNothing) {
    session->OnKeyDown(0);
    session->OnReserved1(7, 0);
    session->OnKeyUp();
    EXPECT_EQ(out.tips.back(), "1::hide");
}

} // namespace
