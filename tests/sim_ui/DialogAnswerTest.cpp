#include "DriveWnd.h"
#include "SimUiTestSupport.h"

#include "platform/SimUiRequests.h"
#include "ui/framework/SimWindowRequests.h"

#include <QCoreApplication>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

namespace {

class DialogAnswerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(platform::ServeSimUiRequests(&CarryOutSimWindowRequest));
    }
    static void TearDownTestSuite() { platform::StopServingSimUiRequests(); }

    void SetUp() override {
        wnd = std::make_unique<DriveWnd>();
        ASSERT_TRUE(wnd->Open());
        seq = SimWorldProcess::LastSeq();
    }

    std::unique_ptr<DriveWnd> wnd;
    int64_t seq = 0;
};

using ui::MessageBoxAnswer;
using ui::MessageBoxButtons;

struct BoxCase {
    const char* name;
    std::string queued; // velmora-sim answer ...; empty: nothing queued
    MessageBoxButtons buttons;
    MessageBoxAnswer answer;
    const char* buttonsName;
    const char* answerName;
};

class MessageBoxAnswerTest : public DialogAnswerTest,
                             public ::testing::WithParamInterface<BoxCase> {};

TEST_P(MessageBoxAnswerTest, TheBoxIsLoggedAndAnsweredWithoutBlocking) {
    const BoxCase& c = GetParam();
    if (!c.queued.empty()) {
        ASSERT_EQ(RunTool("answer " + c.queued).code, 0);
    }
    wnd->boxButtons = c.buttons;
    ASSERT_EQ(RunTool("click DriveWnd msg_btn").code, 0);
    ASSERT_TRUE(SpinUntil([this] { return wnd->boxAnswer.has_value(); }));
    EXPECT_EQ(*wnd->boxAnswer, c.answer);

    const std::vector<Json::Value> boxes = EventsOfKind(seq, "msgbox");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0]["text"], "Delete it?");
    EXPECT_EQ(boxes[0]["caption"], "Velmora");
    EXPECT_EQ(boxes[0]["buttons"], c.buttonsName);
    EXPECT_EQ(boxes[0]["icon"], "question");
    EXPECT_EQ(boxes[0]["answer"], c.answerName);

    // A queued answer is spent by its box: the next one gets its default.
    wnd->boxAnswer.reset();
    wnd->boxButtons = MessageBoxButtons::YesNo;
    ASSERT_EQ(RunTool("click DriveWnd msg_btn").code, 0);
    ASSERT_TRUE(SpinUntil([this] { return wnd->boxAnswer.has_value(); }));
    EXPECT_EQ(*wnd->boxAnswer, MessageBoxAnswer::No);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, MessageBoxAnswerTest,
    ::testing::Values(BoxCase{"QueuedYes", "yes", MessageBoxButtons::YesNo, MessageBoxAnswer::Yes,
                              "yesno", "yes"},
                      BoxCase{"QueuedOk", "ok", MessageBoxButtons::OkCancel, MessageBoxAnswer::Ok,
                              "okcancel", "ok"},
                      BoxCase{"QueuedCancel", "cancel", MessageBoxButtons::OkCancel,
                              MessageBoxAnswer::Cancel, "okcancel", "cancel"},
                      BoxCase{"DefaultOfOkCancel", "", MessageBoxButtons::OkCancel,
                              MessageBoxAnswer::Cancel, "okcancel", "cancel"},
                      BoxCase{"DefaultOfYesNo", "", MessageBoxButtons::YesNo, MessageBoxAnswer::No,
                              "yesno", "no"},
                      BoxCase{"DefaultOfOk", "", MessageBoxButtons::Ok, MessageBoxAnswer::Ok, "ok",
                              "ok"},
                      BoxCase{"QueuedAnswerWithoutThatButton", "yes", MessageBoxButtons::OkCancel,
                              MessageBoxAnswer::Cancel, "okcancel", "cancel"}),
    [](const ::testing::TestParamInfo<BoxCase>& info) { return std::string(info.param.name); });

TEST_F(DialogAnswerTest, ABoxAskedFromAWorkerThreadIsAnsweredOnTheUiThread) {
    ASSERT_EQ(RunTool("answer ok").code, 0);
    std::atomic<bool> answered{false};
    std::atomic<bool> onUiThread{false};
    std::thread worker([&] {
        ui::ShowMessageBox(nullptr, QStringLiteral("Success!"), QString(), MessageBoxButtons::Ok,
                           ui::MessageBoxIcon::Information, [&](MessageBoxAnswer answer) {
                               onUiThread = QThread::currentThread() ==
                                            QCoreApplication::instance()->thread();
                               answered = answer == MessageBoxAnswer::Ok;
                           });
    });
    worker.join();
    ASSERT_TRUE(SpinUntil([&] { return answered.load(); }));
    EXPECT_TRUE(onUiThread);
    Json::Value box;
    ASSERT_TRUE(WaitForEvent(
        seq, [](const Json::Value& e) { return e["kind"] == "msgbox"; }, &box));
    EXPECT_EQ(box["text"], "Success!");
    EXPECT_EQ(box["caption"], "");
    EXPECT_EQ(box["icon"], "information");
}

TEST_F(DialogAnswerTest, ABoxWhoseOwnerIsGoneIsDropped) {
    bool called = false;
    ui::ShowMessageBox(wnd->GetHWND(), QStringLiteral("late"), QString(), MessageBoxButtons::Ok,
                       ui::MessageBoxIcon::None, [&called](MessageBoxAnswer) { called = true; });
    wnd.reset(); // before the answer's turn of the event loop
    ASSERT_TRUE(WaitForEvent(seq, [](const Json::Value& e) { return e["kind"] == "msgbox"; }));
    QCoreApplication::processEvents();
    EXPECT_FALSE(called);
}

struct PickerCase {
    const char* name;
    std::vector<std::string> queued; // velmora-sim commands run first
    bool folder;
    QString path;       // what the window is handed
    const char* answer; // the event's answer
};

class PickerAnswerTest : public DialogAnswerTest,
                         public ::testing::WithParamInterface<PickerCase> {};

TEST_P(PickerAnswerTest, ThePickerIsLoggedAndHandsOverTheQueuedPath) {
    const PickerCase& c = GetParam();
    for (const std::string& command : c.queued)
        ASSERT_EQ(RunTool(command).code, 0) << command;
    wnd->pickFolder = c.folder;
    ASSERT_EQ(RunTool("click DriveWnd file_btn").code, 0);
    ASSERT_TRUE(SpinUntil([this] { return wnd->picked.has_value(); }));
    EXPECT_EQ(*wnd->picked, c.path);

    const std::vector<Json::Value> dialogs = EventsOfKind(seq, "dialog");
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0]["type"], c.folder ? "folder" : "file");
    EXPECT_EQ(dialogs[0]["title"], c.folder ? "Select the current directory" : "Pick");
    EXPECT_EQ(dialogs[0]["dir"], c.folder ? "/home" : "/usr/share");
    EXPECT_EQ(dialogs[0]["answer"], c.answer);
    if (!c.folder) {
        EXPECT_EQ(dialogs[0]["filters"][0], "Applications (*.desktop)");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, PickerAnswerTest,
    ::testing::Values(PickerCase{"QueuedFile",
                                 {"file /opt/app/run.desktop"},
                                 false,
                                 QStringLiteral("/opt/app/run.desktop"),
                                 "/opt/app/run.desktop"},
                      PickerCase{"QueuedFolder",
                                 {"folder /srv/notes/"},
                                 true,
                                 QStringLiteral("/srv/notes"),
                                 "/srv/notes"},
                      PickerCase{"CancelledFolder", {"folder --cancel"}, true, QString(), "cancel"},
                      PickerCase{"NothingQueued", {}, false, QString(), "cancel"}),
    [](const ::testing::TestParamInfo<PickerCase>& info) { return std::string(info.param.name); });

TEST_F(DialogAnswerTest, EachKindOfPickerHasItsOwnQueue) {
    ASSERT_EQ(RunTool("folder /srv").code, 0);
    ASSERT_EQ(RunTool("click DriveWnd file_btn").code, 0);
    ASSERT_TRUE(SpinUntil([this] { return wnd->picked.has_value(); }));
    EXPECT_TRUE(wnd->picked->isEmpty()) << "a file picker with no file answer is cancelled";
    wnd->picked.reset();
    wnd->pickFolder = true;
    ASSERT_EQ(RunTool("click DriveWnd file_btn").code, 0);
    ASSERT_TRUE(SpinUntil([this] { return wnd->picked.has_value(); }));
    EXPECT_EQ(*wnd->picked, QStringLiteral("/srv"));
}

} // namespace
