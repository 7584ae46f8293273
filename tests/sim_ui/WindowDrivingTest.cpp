#include "DriveWnd.h"
#include "SimUiTestSupport.h"

#include "platform/SimUiRequests.h"
#include "ui/framework/CTrayIcon.h"
#include "ui/framework/SimWindowRequests.h"
#include "ui/framework/WindowMessage.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSlider>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <memory>

namespace {

// Numbers compare by value: a colour above 2^31 comes back from the event stream as a signed
// 64-bit number.
bool SameValue(const Json::Value& a, const Json::Value& b) {
    if (a.isNumeric() && b.isNumeric() && !a.isBool() && !b.isBool())
        return a.asInt64() == b.asInt64();
    return a == b;
}

// One visible DriveWnd per test, with this program attached to the world as its window driver.
class WindowDrivingTest : public ::testing::Test {
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

    // The notifications of one kind the window got from one control.
    std::vector<TNotifyUI> NotesOf(const QString& type, const QString& sender) const {
        std::vector<TNotifyUI> found;
        for (const TNotifyUI& n : wnd->notes) {
            if (n.sType == type && n.senderName == sender)
                found.push_back(n);
        }
        return found;
    }

    std::unique_ptr<DriveWnd> wnd;
    int64_t seq = 0;
};

struct InputCase {
    const char* name;
    std::string args; // after "velmora-sim"
    QString notify;   // the notification the window gets
    QString sender;
    uintptr_t wParam;
    const char* field; // the ui_input field that says what was input ("" none)
    Json::Value fieldValue;
};

class DrivenInputTest : public WindowDrivingTest,
                        public ::testing::WithParamInterface<InputCase> {};

TEST_P(DrivenInputTest, ReachesTheWindowThroughTheUsersSignalPath) {
    const InputCase& c = GetParam();
    const ToolRun run = RunTool(c.args);
    ASSERT_EQ(run.code, 0) << run.output;
    // The command returned once the input was taken: the notification is already there.
    const std::vector<TNotifyUI> notes = NotesOf(c.notify, c.sender);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].wParam, c.wParam);
    EXPECT_EQ(notes[0].pSender, wnd->FindControl(c.sender));

    const std::string action = c.args.substr(0, c.args.find(' '));
    Json::Value input;
    ASSERT_TRUE(WaitForEvent(
        seq, [](const Json::Value& e) { return e["kind"] == "ui_input"; }, &input));
    EXPECT_EQ(input["action"], action);
    EXPECT_EQ(input["window"], "DriveWnd");
    EXPECT_EQ(input["control"], c.sender.toStdString());
    if (*c.field) {
        EXPECT_EQ(input[c.field], c.fieldValue) << c.field;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Commands, DrivenInputTest,
    ::testing::Values(
        InputCase{"ButtonClick", "click DriveWnd go_btn", "click", "go_btn", 0, "", {}},
        InputCase{
            "CheckBoxToggles", "click DriveWnd auto_box", "selectchanged", "auto_box", 1, "", {}},
        InputCase{"OptionSelects", "click DriveWnd b_opt", "selectchanged", "b_opt", 1, "", {}},
        InputCase{"LinkIsFollowed", "click DriveWnd link_lab", "link", "link_lab", 0, "link",
                  "https://example.org/help"},
        InputCase{"TypeReplacesTheText", "type DriveWnd name_edit 'Grüße 1'", "textchanged",
                  "name_edit", 0, "text", "Grüße 1"},
        InputCase{"TypeIntoPlainText", "type DriveWnd note_edit 'two words'", "textchanged",
                  "note_edit", 0, "text", "two words"},
        InputCase{"ChooseByName", "choose DriveWnd lang_com cn", "itemselect", "lang_com", 1,
                  "item", "cn"},
        InputCase{"ChooseByShownText", "choose DriveWnd lang_com 한국어", "itemselect", "lang_com",
                  3, "item", "ko"},
        InputCase{"ChooseByIndex", "choose DriveWnd lang_com --index 3", "itemselect", "lang_com",
                  3, "index", 3},
        InputCase{"ChooseListRow", "choose DriveWnd row_list row2", "itemselect", "row_list", 2,
                  "item", "row2"},
        InputCase{"Slide", "slide DriveWnd zoom_sld 40", "movevaluechanged", "zoom_sld", 40,
                  "value", 40}),
    [](const ::testing::TestParamInfo<InputCase>& info) { return std::string(info.param.name); });

TEST_F(WindowDrivingTest, TypedTextAndChoicesAreWhatTheControlsHoldAfterwards) {
    ASSERT_EQ(RunTool("type DriveWnd name_edit 'a&b c'").code, 0);
    EXPECT_EQ(wnd->GetControlText(QStringLiteral("name_edit")), QStringLiteral("a&b c"));
    ASSERT_EQ(RunTool("type DriveWnd name_edit ''").code, 0);
    EXPECT_TRUE(wnd->GetControlText(QStringLiteral("name_edit")).isEmpty());
    ASSERT_EQ(RunTool("choose DriveWnd lang_com --index 1").code, 0);
    EXPECT_EQ(wnd->GetListCurSel(QStringLiteral("lang_com")), 1);
    ASSERT_EQ(RunTool("click DriveWnd auto_box").code, 0);
    ASSERT_EQ(RunTool("click DriveWnd auto_box").code, 0);
    EXPECT_FALSE(wnd->GetCheck(QStringLiteral("auto_box"))) << "a second click toggles back";
    EXPECT_EQ(NotesOf(QStringLiteral("selectchanged"), QStringLiteral("auto_box")).size(), 2u);
}

TEST_F(WindowDrivingTest, TagPicksTheControlOfOneListRow) {
    const ToolRun run = RunTool("click DriveWnd item_del_btn --tag 2");
    ASSERT_EQ(run.code, 0) << run.output;
    const std::vector<TNotifyUI> clicks =
        NotesOf(QStringLiteral("click"), QStringLiteral("item_del_btn"));
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(clicks[0].tag, 2);
    EXPECT_EQ(clicks[0].pSender,
              wnd->FindRowControl(QStringLiteral("row_list"), 2, QStringLiteral("item_del_btn")));
    Json::Value input;
    ASSERT_TRUE(WaitForEvent(
        seq, [](const Json::Value& e) { return e["kind"] == "ui_input"; }, &input));
    EXPECT_EQ(input["tag"], 2);

    // A tag the window set on one control addresses it as well as a row's.
    wnd->SetTag(wnd->FindRowControl(QStringLiteral("row_list"), 0, QStringLiteral("item_del_btn")),
                7);
    ASSERT_EQ(RunTool("click DriveWnd item_del_btn --tag 7").code, 0);
    EXPECT_EQ(NotesOf(QStringLiteral("click"), QStringLiteral("item_del_btn")).back().tag, 7);
}

// A long list makes its rows as they come into view. Catches rows made all at once (a
// thousand-row list then stalls the window), rows never made when scrolled to or asked for,
// rows filled twice or with another item's data, and tools that cannot reach a row far down.
TEST_F(WindowDrivingTest, ALongListMakesItsRowsAsTheyAreNeeded) {
    const QString name = QStringLiteral("row_list");
    auto* list = wnd->FindControlAs<QListWidget>(name);
    ASSERT_NE(list, nullptr);
    wnd->RemoveAllListItems(name);
    constexpr int kMany = 1000;
    std::vector<ListItem> items;
    for (int i = 0; i < kMany; ++i)
        items.push_back({QStringLiteral("r%1").arg(i), QStringLiteral("Record %1").arg(i), i});
    std::vector<int> filled(kMany, 0);
    ASSERT_TRUE(
        wnd->AddListRows(name, QStringLiteral("driverow.xml"), items, [&](QWidget* row, int index) {
            ++filled[index];
            wnd->SetControlText(row->findChild<QWidget*>("row_lab"), items[index].text);
        }));
    const auto made = [&] {
        return std::count_if(filled.begin(), filled.end(), [](int n) { return n > 0; });
    };
    ASSERT_EQ(list->count(), kMany);
    EXPECT_GT(made(), 0);
    EXPECT_LT(made(), 100) << "only the rows in view";
    EXPECT_EQ(wnd->GetListItem(name, 999).text, QStringLiteral("Record 999"));

    list->scrollToBottom();
    EXPECT_EQ(filled[kMany - 1], 1) << "the last row, scrolled into view";
    auto* far = qobject_cast<QLabel*>(wnd->FindRowControl(name, 500, QStringLiteral("row_lab")));
    ASSERT_NE(far, nullptr);
    EXPECT_EQ(far->text(), QStringLiteral("Record 500"));
    EXPECT_EQ(WindowImplBase::GetTag(far), 500);

    ASSERT_EQ(RunTool("click DriveWnd item_del_btn --tag 250").code, 0);
    const std::vector<TNotifyUI> clicks =
        NotesOf(QStringLiteral("click"), QStringLiteral("item_del_btn"));
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(clicks[0].tag, 250);
    EXPECT_LT(made(), 200);
    EXPECT_TRUE(std::all_of(filled.begin(), filled.end(), [](int n) { return n <= 1; }));

    EXPECT_FALSE(wnd->AddListRows(name, QStringLiteral("norow.xml"), items, {}));
    EXPECT_EQ(list->count(), kMany) << "a missing row skin adds nothing";
}

struct RefusalCase {
    const char* name;
    std::string args;
    std::string error;
};

class RefusedInputTest : public WindowDrivingTest,
                         public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(RefusedInputTest, ExitsOneWithTheReasonAndChangesNothing) {
    const RefusalCase& c = GetParam();
    const QString text = wnd->GetControlText(QStringLiteral("ro_edit"));
    const int selection = wnd->GetListCurSel(QStringLiteral("lang_com"));
    const ToolRun run = RunTool(c.args);
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.output.find(c.error), std::string::npos) << run.output;
    EXPECT_TRUE(wnd->notes.empty());
    EXPECT_EQ(wnd->GetControlText(QStringLiteral("ro_edit")), text);
    EXPECT_EQ(wnd->GetListCurSel(QStringLiteral("lang_com")), selection);
    EXPECT_TRUE(EventsOfKind(seq, "ui_input").empty());
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, RefusedInputTest,
    ::testing::Values(
        RefusalCase{"AbsentWindow", "click NoSuchWnd go_btn", "no window NoSuchWnd"},
        RefusalCase{"AbsentControl", "click DriveWnd nothing_btn",
                    "no control nothing_btn in DriveWnd"},
        RefusalCase{"DisabledControl", "click DriveWnd off_btn", "off_btn in DriveWnd is disabled"},
        RefusalCase{"HiddenControl", "click DriveWnd hide_btn", "hide_btn in DriveWnd is hidden"},
        RefusalCase{"ControlOnAPageNotShown", "click DriveWnd two_btn", "is hidden"},
        RefusalCase{"SameNamedRowsWithoutTag", "click DriveWnd item_del_btn", "give --tag"},
        RefusalCase{"NoRowWithTheTag", "click DriveWnd item_del_btn --tag 9",
                    "no control item_del_btn with tag 9 in DriveWnd"},
        RefusalCase{"HiddenItem", "choose DriveWnd lang_com jp", "is hidden or disabled"},
        RefusalCase{"AbsentItem", "choose DriveWnd lang_com xx", "has no item xx"},
        RefusalCase{"IndexPastTheEnd", "choose DriveWnd lang_com --index 4", "has no item at 4"},
        RefusalCase{"ReadOnlyEdit", "type DriveWnd ro_edit x", "is read-only"},
        RefusalCase{"TypeIntoAButton", "type DriveWnd go_btn x", "is not an edit"},
        RefusalCase{"ChooseOnAButton", "choose DriveWnd go_btn x", "is not a list or combo box"},
        RefusalCase{"SlideOutOfRange", "slide DriveWnd zoom_sld 101", "takes values from 0 to 100"},
        RefusalCase{"SlideAnEdit", "slide DriveWnd name_edit 1", "is not a slider"},
        RefusalCase{"LabelWithoutLink", "click DriveWnd plain_lab", "has no link"}),
    [](const ::testing::TestParamInfo<RefusalCase>& info) { return std::string(info.param.name); });

TEST_F(WindowDrivingTest, AHiddenWindowTakesNoInput) {
    wnd->ShowWindow(false);
    const ToolRun run = RunTool("click DriveWnd go_btn");
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.output.find("window DriveWnd is hidden"), std::string::npos) << run.output;
    EXPECT_TRUE(wnd->notes.empty());
}

TEST_F(WindowDrivingTest, QueryReadsTheControlsState) {
    wnd->SetBkImage(QStringLiteral("go_btn"), QStringLiteral("file='tray/online.png'"));
    Json::Value state = ParseJson(RunTool("query DriveWnd go_btn").output);
    EXPECT_EQ(state["exists"], true);
    EXPECT_EQ(state["visible"], true);
    EXPECT_EQ(state["enabled"], true);
    EXPECT_EQ(state["text"], "Go");
    EXPECT_EQ(state["image"], ":/skin/tray/online.png");

    EXPECT_EQ(ParseJson(RunTool("query DriveWnd off_btn").output)["enabled"], false);
    EXPECT_EQ(ParseJson(RunTool("query DriveWnd two_btn").output)["visible"], false);

    state = ParseJson(RunTool("query DriveWnd lang_com").output);
    EXPECT_EQ(state["selected"], 0);
    ASSERT_EQ(state["items"].size(), 4u);
    EXPECT_EQ(state["items"][1]["name"], "cn");
    EXPECT_EQ(state["items"][1]["text"], "中文");
    EXPECT_EQ(state["items"][2]["enabled"], false);

    wnd->SetCheck(QStringLiteral("b_opt"), true);
    EXPECT_EQ(ParseJson(RunTool("query DriveWnd a_opt").output)["selected"], false);
    EXPECT_EQ(ParseJson(RunTool("query DriveWnd b_opt").output)["checked"], true);
    wnd->SetValue(QStringLiteral("zoom_sld"), 25);
    EXPECT_EQ(ParseJson(RunTool("query DriveWnd zoom_sld").output)["value"], 25);

    state = ParseJson(RunTool("query DriveWnd row_lab --tag 1").output);
    EXPECT_EQ(state["exists"], true);
    EXPECT_EQ(state["tag"], 1);
    EXPECT_EQ(ParseJson(RunTool("query DriveWnd row_list").output)["items"][1]["text"], "Row 1");
}

TEST_F(WindowDrivingTest, QueryOfAnAbsentControlOrWindowSaysSoAndSucceeds) {
    for (const char* args : {"query DriveWnd nothing_btn", "query NoSuchWnd go_btn",
                             "query DriveWnd item_del_btn --tag 9"}) {
        SCOPED_TRACE(args);
        const ToolRun run = RunTool(args);
        EXPECT_EQ(run.code, 0) << run.output;
        Json::Value expected;
        expected["exists"] = false;
        EXPECT_EQ(ParseJson(run.output), expected);
    }
}

TEST_F(WindowDrivingTest, PasswordEditsNeverReachTheEventStream) {
    ASSERT_EQ(RunTool("type DriveWnd pass_edit 'hunter2!'").code, 0);
    EXPECT_EQ(wnd->GetControlText(QStringLiteral("pass_edit")), QStringLiteral("hunter2!"));
    EXPECT_EQ(NotesOf(QStringLiteral("textchanged"), QStringLiteral("pass_edit")).size(), 1u);
    // A "show" button puts the password in clear; the edit stays secret all the same.
    wnd->FindControlAs<QLineEdit>(QStringLiteral("pass_edit"))->setEchoMode(QLineEdit::Normal);
    wnd->SetControlText(QStringLiteral("pass_edit"), QStringLiteral("saved-secret"));
    wnd->SetControlEnabled(QStringLiteral("pass_edit"), false);
    wnd->SetControlText(QStringLiteral("name_edit"), QStringLiteral("after"));
    Json::Value input;
    ASSERT_TRUE(WaitForEvent(
        seq, [](const Json::Value& e) { return e["control"] == "name_edit"; }, &input));

    const Json::Value state = ParseJson(RunTool("query DriveWnd pass_edit").output);
    EXPECT_EQ(state["exists"], true);
    EXPECT_EQ(state["text"].asString().find("secret"), std::string::npos);

    const std::vector<Json::Value> typed = EventsOfKind(seq, "ui_input");
    ASSERT_EQ(typed.size(), 1u);
    EXPECT_FALSE(typed[0].isMember("text"));
    for (const Json::Value& event : SimWorldProcess::EventsAfter(seq)) {
        const std::string line = event.toStyledString();
        EXPECT_EQ(line.find("hunter2"), std::string::npos) << line;
        EXPECT_EQ(line.find("saved-secret"), std::string::npos) << line;
        EXPECT_FALSE(event["kind"] == "control" && event["control"] == "pass_edit") << line;
    }
}

TEST_F(WindowDrivingTest, ControlEventsCarryWhatTheProgramSetOrTheUserChanged) {
    wnd->SetControlVisible(QStringLiteral("go_btn"), false);
    wnd->SetControlEnabled(QStringLiteral("msg_btn"), false);
    wnd->SetTextColor(QStringLiteral("plain_lab"), 0xFF102030u);
    wnd->SetBkColor(QStringLiteral("plain_lab"), 0x80FFFFFFu);
    wnd->SetAlign(QStringLiteral("plain_lab"), QStringLiteral("right"));
    wnd->SelectTabPage(QStringLiteral("page_tab"), 1);
    wnd->SetCheck(QStringLiteral("auto_box"), true);
    wnd->SetCheck(QStringLiteral("auto_box"), true); // set again: reported again
    wnd->SelectListItem(QStringLiteral("lang_com"), 3);
    wnd->SetValue(QStringLiteral("zoom_sld"), 250); // shown as the slider holds it
    wnd->SetTag(QStringLiteral("one_btn"), 5);
    ASSERT_EQ(RunTool("click DriveWnd b_opt").code, 0);

    struct Expected {
        const char* control;
        const char* field;
        Json::Value value;
    };
    const Expected expected[] = {
        {"go_btn", "visible", false},
        {"msg_btn", "enabled", false},
        {"plain_lab", "color", 0xFF102030u},
        {"plain_lab", "bkcolor", 0x80FFFFFFu},
        {"plain_lab", "align", "right"},
        {"page_tab", "page", 1},
        {"auto_box", "checked", true},
        {"lang_com", "selected", "ko"},
        {"lang_com", "text", "한국어"},
        {"zoom_sld", "value", 100},
        {"one_btn", "tag", 5},
        {"b_opt", "selected", true},
        {"a_opt", "selected", false},
    };
    ASSERT_TRUE(WaitForEvent(seq, [](const Json::Value& e) {
        return e["control"] == "a_opt" && e["selected"] == false;
    }));
    const std::vector<Json::Value> events = EventsOfKind(seq, "control");
    for (const Expected& e : expected) {
        SCOPED_TRACE(std::string(e.control) + " " + e.field);
        const auto count = std::count_if(events.begin(), events.end(), [&](const Json::Value& v) {
            return v["window"] == "DriveWnd" && v["control"] == e.control && v.isMember(e.field) &&
                   SameValue(v[e.field], e.value);
        });
        EXPECT_EQ(count, std::string(e.control) == "auto_box" ? 2 : 1);
    }
}

TEST_F(WindowDrivingTest, RowsReportTheirItemsAndMessagesNameTheirWindow) {
    wnd->RemoveAllListItems(QStringLiteral("row_list"));
    wnd->AddListRow(QStringLiteral("row_list"), QStringLiteral("driverow.xml"),
                    {QStringLiteral("only"), QStringLiteral("Only row"), 0});
    PostMessage(wnd.get(), 1138, 0, 0);
    Json::Value message;
    ASSERT_TRUE(WaitForEvent(
        seq, [](const Json::Value& e) { return e["kind"] == "message" && e["msg"] == 1138; },
        &message));
    EXPECT_EQ(message["window"], "DriveWnd");
    // Emptied and refilled in one turn of the event loop: one report, of the list as it ends.
    std::vector<Json::Value> events;
    for (const Json::Value& e : EventsOfKind(seq, "control")) {
        if (e["control"] == "row_list" && e.isMember("items"))
            events.push_back(e);
    }
    ASSERT_EQ(events.size(), 1u);
    ASSERT_EQ(events[0]["items"].size(), 1u);
    EXPECT_EQ(events[0]["items"][0]["name"], "only");
    EXPECT_EQ(events[0]["items"][0]["text"], "Only row");
}

TEST_F(WindowDrivingTest, AListReportsItsItemsOncePerTurnAndItsChoiceByName) {
    const QString list = QStringLiteral("lang_com");
    wnd->RemoveAllListItems(list);
    for (int i = 0; i < 300; ++i)
        wnd->AddListItem(list, {QString::number(i), QStringLiteral("Item %1").arg(i), i});
    wnd->SelectListItem(list, 299);
    wnd->SelectListItem(list, -1);
    PostMessage(wnd.get(), 1138, 0, 0);
    ASSERT_TRUE(WaitForEvent(
        seq, [](const Json::Value& e) { return e["kind"] == "message" && e["msg"] == 1138; }));

    std::vector<Json::Value> events;
    for (const Json::Value& e : EventsOfKind(seq, "control")) {
        if (e["control"] == "lang_com")
            events.push_back(e);
    }
    // The items come first, once, then each choice the program made: "none" is null.
    ASSERT_EQ(events.size(), 3u);
    ASSERT_EQ(events[0]["items"].size(), 300u);
    EXPECT_EQ(events[0]["items"][299]["name"], "299");
    EXPECT_EQ(events[1]["selected"], "299");
    EXPECT_EQ(events[1]["text"], "Item 299");
    EXPECT_TRUE(events[2].isMember("selected"));
    EXPECT_TRUE(events[2]["selected"].isNull());
    EXPECT_FALSE(events[2].isMember("text"));
}

TEST_F(WindowDrivingTest, AnInputThatOpensAModalWindowReturnsWhileTheWindowIsOpen) {
    // The click runs the modal window's event loop on this thread's stack: what follows it has
    // to happen inside that loop, from a timer.
    auto opening = std::async(std::launch::async, [] {
        ToolRun run;
        run.code = SimWorldProcess::Run("click DriveWnd modal_btn 2>&1", &run.output);
        return run;
    });
    ToolRun blocked;
    ToolRun closing;
    bool answeredWhileOpen = false;
    int ticks = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr)
            return;
        const bool answered =
            opening.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
        if (!answered && ++ticks < 3000)
            return;
        watch.stop();
        answeredWhileOpen = answered;
        blocked = RunTool("click DriveWnd go_btn");
        closing = RunTool("click DriveModal go_btn");
        if (closing.code != 0)
            modal->close(); // lets the test end even when the click failed
    });
    watch.start(10);
    ASSERT_TRUE(SpinUntil([&] {
        return wnd->modalResult != -1 &&
               opening.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
    }));
    EXPECT_EQ(opening.get().code, 0);
    EXPECT_TRUE(answeredWhileOpen);
    EXPECT_EQ(blocked.code, 1);
    EXPECT_NE(blocked.output.find("behind the modal window DriveModal"), std::string::npos)
        << blocked.output;
    EXPECT_EQ(closing.code, 0) << closing.output;
    EXPECT_EQ(wnd->modalResult, ui::IDOK);
}

TEST_F(WindowDrivingTest, TrayClicksReachTheOwnerAsTheTrayMessage) {
    CTrayIcon tray;
    tray.CreateTrayIcon(wnd.get(), 107, QStringLiteral("Velmora"));
    ASSERT_EQ(RunTool("tray left").code, 0);
    ASSERT_EQ(RunTool("tray right").code, 0);
    ASSERT_TRUE(SpinUntil([this] { return wnd->messages.size() == 2; }));
    EXPECT_EQ(wnd->messages[0], 1025 * 1000 + 514);
    EXPECT_EQ(wnd->messages[1], 1025 * 1000 + 517);
    const std::vector<Json::Value> inputs = EventsOfKind(seq, "ui_input");
    ASSERT_EQ(inputs.size(), 2u);
    EXPECT_EQ(inputs[0]["action"], "tray");
    EXPECT_EQ(inputs[0]["button"], "left");

    tray.DeleteTrayIcon();
    const ToolRun none = RunTool("tray left");
    EXPECT_EQ(none.code, 1);
    EXPECT_NE(none.output.find("no tray icon"), std::string::npos) << none.output;
}

// A swatch grid as a window would make one: a pick of a colour is its one input.
class TestPalette : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
    Q_INVOKABLE void PickColor(quint32 argb) { picked.push_back(argb); }
    std::vector<quint32> picked;
};

TEST_F(WindowDrivingTest, PickHandsTheColourToThePalette) {
    auto* palette = new TestPalette(wnd->FindControl(QStringLiteral("page_one")));
    palette->setObjectName(QStringLiteral("Pallet"));
    palette->show();
    for (const char* colour : {"0xFF00FF00", "#80123456", "4278190335"}) {
        const ToolRun run = RunTool(std::string("pick DriveWnd Pallet '") + colour + "'");
        EXPECT_EQ(run.code, 0) << run.output;
    }
    EXPECT_EQ(palette->picked, (std::vector<quint32>{0xFF00FF00u, 0x80123456u, 0xFF0000FFu}));
    Json::Value input;
    ASSERT_TRUE(WaitForEvent(
        seq, [](const Json::Value& e) { return e["kind"] == "ui_input"; }, &input));
    EXPECT_EQ(input["action"], "pick");
    EXPECT_TRUE(SameValue(input["argb"], 0xFF00FF00u));

    const ToolRun refused = RunTool("pick DriveWnd go_btn 0xFF000000");
    EXPECT_EQ(refused.code, 1);
    EXPECT_NE(refused.output.find("is not a colour palette"), std::string::npos);
    EXPECT_EQ(RunTool("pick DriveWnd Pallet 0x1FFFFFFFF").code, 2);
}

TEST_F(WindowDrivingTest, ToolUsageErrorsExitTwo) {
    for (const char* args : {"click DriveWnd", "tray middle", "choose DriveWnd lang_com",
                             "slide DriveWnd zoom_sld many", "click DriveWnd go_btn --tag x",
                             "answer maybe", "file relative/../x --cancel"}) {
        SCOPED_TRACE(args);
        EXPECT_EQ(RunTool(args).code, 2);
    }
}

} // namespace

#include "WindowDrivingTest.moc"
