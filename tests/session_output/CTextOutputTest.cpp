// TypeText's routing with a recording keyboard, clipboard, tip and usage recorder.
#include "session/CTextOutput.h"
#include "app/Log.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using Journal = std::vector<std::string>;

namespace {

std::string Hex(char16_t unit) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%04X", static_cast<unsigned>(unit));
    return buffer;
}

class JournalKeyboard : public platform::IKeyboardInput {
public:
    explicit JournalKeyboard(Journal& journal) : m_journal(journal) {}
    bool available = true;
    bool focus = true;

    bool IsAvailable() override { return available; }
    bool HasFocusWindow() override { return focus; }
    bool InjectCtrlV() override { return Note("ctrl+v"); }
    bool InjectArrow(platform::ArrowKey key) override {
        return Note(key == platform::ArrowKey::Up ? "up" : "down");
    }
    bool TypeUnit(char16_t unit) override {
        Note("unit " + Hex(unit));
        return unit != untypable;
    }
    char16_t untypable = 0;
    void FinishTyping() override { Note("finish"); }

private:
    bool Note(const std::string& entry) {
        m_journal.push_back(entry);
        return true;
    }
    Journal& m_journal;
};

class JournalClipboard : public platform::IClipboard {
public:
    explicit JournalClipboard(Journal& journal) : m_journal(journal) {}
    bool takeable = true;

    bool SetText(const QString& text) override {
        if (!takeable)
            return false;
        m_journal.push_back("clipboard " + text.toStdString());
        return true;
    }
    std::uint64_t ReadsSoFar() override { return reads; }
    bool WaitForReadBeyond(std::uint64_t seen, std::chrono::milliseconds limit) override {
        m_journal.push_back("await read beyond " + std::to_string(seen) + " for " +
                            std::to_string(limit.count()));
        return true;
    }
    std::uint64_t reads = 0;

private:
    Journal& m_journal;
};

// One output wired to journalling fakes; the session state is plain fields.
struct Rig {
    Journal journal;
    std::shared_ptr<JournalKeyboard> keyboard = std::make_shared<JournalKeyboard>(journal);
    std::shared_ptr<JournalClipboard> clipboard = std::make_shared<JournalClipboard>(journal);
    std::map<ConfigKey, QString> settings;
    int deviceKind = 0;
    int voiceMode = 0;
    bool last = false;
    std::string sessionText;
    bool mouseReachable = true;

    CTextOutput MakeOutput() {
        CTextOutput::Context context;
        context.keyboard = keyboard;
        context.clipboard = clipboard;
        context.setting = [this](ConfigKey key) {
            const auto found = settings.find(key);
            return found == settings.end() ? QString() : found->second;
        };
        context.deviceKind = [this] { return deviceKind; };
        context.voiceMode = [this] { return voiceMode; };
        context.sessionText = [this] { return sessionText; };
        context.lastFlag = [this] { return last; };
        context.showVoiceTip = [this](int state, const QString& text, bool hide, int delayMs) {
            journal.push_back("tip " + std::to_string(state) + (hide ? " hide " : " stay ") +
                              std::to_string(delayMs) + text.toStdString());
        };
        context.recordUsageEvent = [this](int kind, const std::string& first,
                                          const std::string& second) {
            journal.push_back("usage " + std::to_string(kind) + " " + first + " | " + second);
        };
        context.sendMousePaste = [this] {
            journal.push_back("mouse ctrl+v report");
            return mouseReachable;
        };
        context.pause = [this](std::chrono::milliseconds interval) {
            journal.push_back("pause " + std::to_string(interval.count()));
        };
        return CTextOutput(std::move(context));
    }
};

const Journal kTypedAB = {"unit 0061",       "tip 1 stay 1000", "pause 20", "unit 0062",
                          "tip 1 stay 1000", "pause 20",        "finish"};
const Journal kPastedAB = {"clipboard ab", "ctrl+v", "tip 1 stay 1000"};
const Journal kMousePastedAB = {"clipboard ab", "mouse ctrl+v report", "tip 1 stay 1000"};

struct RouteCase {
    const char* name;
    int deviceKind;
    QString typingMode;
    QString penTypingMode;
    QString sensor;
    Journal expected;
};

class TextOutputRoute : public ::testing::TestWithParam<RouteCase> {};

TEST_P(TextOutputRoute, PicksThePathOfTheCurrentDevice) {
    const RouteCase& route = GetParam();
    Rig rig;
    rig.deviceKind = route.deviceKind;
    rig.settings[ConfigKey::TypingMode] = route.typingMode;
    rig.settings[ConfigKey::LpTypingMode] = route.penTypingMode;
    rig.settings[ConfigKey::PhotoIC] = route.sensor;
    rig.MakeOutput().TypeText("ab");
    EXPECT_THAT(rig.journal, ElementsAreArray(route.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Routes, TextOutputRoute,
    ::testing::Values(RouteCase{"MouseMode1Types", 0, "mode1", "", "3212", kTypedAB},
                      RouteCase{"MouseDefaultPastes", 0, "", "mode1", "3205", kPastedAB},
                      RouteCase{"MouseOtherValuePastes", 0, "Mode1", "", "", kPastedAB},
                      RouteCase{"Sensor3212MouseTypesPaste", 0, "", "", "3212", kMousePastedAB},
                      RouteCase{"PenMode1Types", 1, "", "mode1", "", kTypedAB},
                      RouteCase{"PenIgnoresMouseMode", 1, "mode1", "", "", kPastedAB},
                      RouteCase{"ThirdDeviceAlwaysPastes", 2, "mode1", "mode1", "", kPastedAB}),
    [](const auto& info) { return std::string(info.param.name); });

struct FinalCase {
    const char* name;
    int voiceMode;
    bool last;
    Journal expectedAfterPaste;
};

class TextOutputFinal : public ::testing::TestWithParam<FinalCase> {};

TEST_P(TextOutputFinal, ReportsOnlyTheFinalResultByVoiceMode) {
    const FinalCase& final = GetParam();
    Rig rig;
    rig.voiceMode = final.voiceMode;
    rig.last = final.last;
    rig.sessionText = "前半ab";
    rig.MakeOutput().TypeText("ab");
    Journal expected = kPastedAB;
    expected.insert(expected.end(), final.expectedAfterPaste.begin(),
                    final.expectedAfterPaste.end());
    EXPECT_THAT(rig.journal, ElementsAreArray(expected));
}

INSTANTIATE_TEST_SUITE_P(
    Finals, TextOutputFinal,
    ::testing::Values(
        FinalCase{"PartialTypingResult", 0, false, {}},
        FinalCase{"FinalTypingResult", 0, true, {"tip 1 hide 1000", "usage 0 语音打字 | 前半ab"}},
        FinalCase{"FinalTranslation", 2, true, {"tip 1 hide 1000", "usage 2 ab | 前半ab"}},
        FinalCase{"FinalInOtherMode", 1, true, {"tip 1 hide 1000"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TextOutput, TypesEachUtf16UnitOfACharacterOutsideTheBasicPlane) {
    Rig rig;
    rig.settings[ConfigKey::TypingMode] = "mode1";
    rig.MakeOutput().TypeText("字\xF0\x9F\x98\x80"); // 字 and U+1F600
    EXPECT_THAT(rig.journal, ElementsAre("unit 5B57", "tip 1 stay 1000", "pause 20", "unit D83D",
                                         "tip 1 stay 1000", "pause 20", "unit DE00",
                                         "tip 1 stay 1000", "pause 20", "finish"));
}

TEST(TextOutput, StopsAtTheFirstNulOfTheText) {
    Rig rig;
    rig.MakeOutput().TypeText(std::string("ab\0cd", 5));
    EXPECT_THAT(rig.journal, ElementsAreArray(kPastedAB));
}

TEST(TextOutput, WithoutFocusWindowTypesNothingButStillReportsTheFinalResult) {
    Rig rig;
    rig.settings[ConfigKey::TypingMode] = "mode1";
    rig.keyboard->focus = false;
    rig.last = true;
    rig.sessionText = "ab";
    rig.MakeOutput().TypeText("ab");
    EXPECT_THAT(rig.journal, ElementsAre("tip 1 hide 1000", "usage 0 语音打字 | ab"));
}

TEST(TextOutput, AUnitThatCannotBeTypedEndsTheTextAndIsNotReportedAsTyped) {
    Rig rig;
    rig.settings[ConfigKey::TypingMode] = "mode1";
    rig.keyboard->untypable = u'b';
    rig.last = true;
    rig.sessionText = "abc";
    EXPECT_FALSE(rig.MakeOutput().TypeText("abc"));
    EXPECT_THAT(rig.journal,
                ElementsAre("unit 0061", "tip 1 stay 1000", "pause 20", "unit 0062", "finish"));
}

struct FailureCase {
    const char* name;
    bool clipboardTakeable;
    bool mouseReachable;
    QString sensor;
    Journal expected;
};

class TextOutputFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(TextOutputFailure, EndsSilentlyWithoutFinalReport) {
    const FailureCase& failure = GetParam();
    Rig rig;
    rig.clipboard->takeable = failure.clipboardTakeable;
    rig.mouseReachable = failure.mouseReachable;
    rig.settings[ConfigKey::PhotoIC] = failure.sensor;
    rig.last = true;
    rig.MakeOutput().TypeText("ab");
    EXPECT_THAT(rig.journal, ElementsAreArray(failure.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Failures, TextOutputFailure,
    ::testing::Values(
        FailureCase{"ClipboardBusy", false, true, "3205", {}},
        FailureCase{"ClipboardBusyWith3212", false, true, "3212", {}},
        FailureCase{
            "MouseNotOpenable", true, false, "3212", {"clipboard ab", "mouse ctrl+v report"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TextOutput, WaitsForThePreviousPasteToBeFetchedBeforeReplacingTheClipboard) {
    Rig rig;
    CTextOutput output = rig.MakeOutput();
    rig.clipboard->reads = 7; // a clipboard manager fetched earlier contents
    output.TypeText("ab");
    output.TypeText("cd");
    rig.clipboard->reads = 9;
    output.TypeText("ef");
    EXPECT_THAT(rig.journal, ElementsAre("clipboard ab", "ctrl+v", "tip 1 stay 1000",
                                         "await read beyond 7 for 1000", "clipboard cd", "ctrl+v",
                                         "tip 1 stay 1000", "await read beyond 7 for 1000",
                                         "clipboard ef", "ctrl+v", "tip 1 stay 1000"));
}

TEST(TextOutput, AFailedPasteLeavesNothingToWaitFor) {
    Rig rig;
    rig.settings[ConfigKey::PhotoIC] = "3212";
    rig.mouseReachable = false;
    CTextOutput output = rig.MakeOutput();
    output.TypeText("ab");
    output.TypeText("cd");
    EXPECT_THAT(rig.journal, ElementsAre("clipboard ab", "mouse ctrl+v report", "clipboard cd",
                                         "mouse ctrl+v report"));
}

TEST(TextOutput, InjectsArrowKeys) {
    Rig rig;
    CTextOutput output = rig.MakeOutput();
    output.PressArrow(platform::ArrowKey::Up);
    output.PressArrow(platform::ArrowKey::Down);
    EXPECT_THAT(rig.journal, ElementsAre("up", "down"));
}

TEST(TextOutput, WithoutKeyboardInputDoesNothingAndLogsItOnce) {
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const QString logPath = home.filePath("log.log");
    applog::InitLogging(logPath);
    Rig rig;
    rig.keyboard->available = false;
    rig.last = true;
    CTextOutput output = rig.MakeOutput();
    output.TypeText("ab");
    rig.settings[ConfigKey::TypingMode] = "mode1";
    output.TypeText("ab");
    output.PressArrow(platform::ArrowKey::Up);
    applog::StopLogging();

    // Not even the clipboard was taken: nothing could have pasted it.
    EXPECT_TRUE(rig.journal.empty());
    QFile log(logPath);
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QString content = QString::fromUtf8(log.readAll());
    EXPECT_EQ(content.count("unavailable"), 1) << content.toStdString();
    EXPECT_TRUE(content.contains("warning")) << content.toStdString();
}

} // namespace
