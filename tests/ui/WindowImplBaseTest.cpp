#include "TestWindows.h"

#include "ui/framework/CResourceManager.h"
#include "ui/framework/UiLanguage.h"
#include "ui/framework/WindowConstants.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QLabel>
#include <QListWidget>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

class WindowImplBaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(ApplyUiLanguage(QStringLiteral("lan_en")));
        wnd = std::make_unique<RecordingWnd>();
        ASSERT_NE(wnd->Create(nullptr, QStringLiteral("TestWnd"), 0, 0), nullptr);
    }
    std::unique_ptr<RecordingWnd> wnd;
};

TEST_F(WindowImplBaseTest, SkinControlsAreFoundByNameAndMissingOnesDisableTheirFeature) {
    EXPECT_EQ(wnd->inits, 1);
    EXPECT_NE(wnd->FindControlAs<QAbstractButton>(QStringLiteral("ok_btn")), nullptr);
    EXPECT_NE(wnd->FindControlAs<QListWidget>(QStringLiteral("dev_list")), nullptr);
    EXPECT_EQ(wnd->FindControl(QStringLiteral("no_such_btn")), nullptr);
    EXPECT_FALSE(wnd->IsVisible()) << "no visible bit, no show";

    // Every helper tolerates a control the skin does not have.
    const QString missing = QStringLiteral("no_such_lab");
    EXPECT_FALSE(wnd->SetControlText(missing, QStringLiteral("x")));
    EXPECT_TRUE(wnd->GetControlText(missing).isEmpty());
    wnd->SetControlVisible(missing, false);
    wnd->SetCheck(missing, true);
    wnd->SetBkImage(missing, QStringLiteral("file='a.png'"));
    wnd->SetBkColor(missing, 0xFF00FF00u);
    wnd->SetRange(missing, 0, 10);
    EXPECT_FALSE(wnd->AddListItem(missing, {QStringLiteral("n"), QStringLiteral("t"), 1}));
    EXPECT_FALSE(wnd->SelectTabPage(missing, 0));
    EXPECT_FALSE(wnd->GetCheck(missing));
}

TEST_F(WindowImplBaseTest, ASkinWithoutItsFileStillMakesAnEmptyWindow) {
    RecordingWnd bare;
    bare.skin = QStringLiteral("NoSuchSkin.xml");
    ASSERT_NE(bare.Create(nullptr, QStringLiteral("Bare"), ui::WS_VISIBLE, 0), nullptr);
    EXPECT_TRUE(bare.IsVisible());
    EXPECT_EQ(bare.FindControl(QStringLiteral("ok_btn")), nullptr);
}

TEST_F(WindowImplBaseTest, ControlOperationsChangeTheControls) {
    EXPECT_TRUE(wnd->SetControlText(QStringLiteral("name_edit"), QStringLiteral("abc")));
    EXPECT_EQ(wnd->GetControlText(QStringLiteral("name_edit")), QStringLiteral("abc"));

    wnd->SetControlVisible(QStringLiteral("ok_btn"), false);
    EXPECT_FALSE(wnd->IsControlVisible(QStringLiteral("ok_btn")));
    wnd->SetControlEnabled(QStringLiteral("ok_btn"), false);
    EXPECT_FALSE(wnd->IsControlEnabled(QStringLiteral("ok_btn")));

    wnd->SetOptionSelected(QStringLiteral("b_opt"), true);
    EXPECT_TRUE(wnd->IsOptionSelected(QStringLiteral("b_opt")));
    EXPECT_FALSE(wnd->IsOptionSelected(QStringLiteral("a_opt"))) << "options exclude each other";

    EXPECT_TRUE(wnd->SelectTabPage(QStringLiteral("page_tab"), 1));
    EXPECT_EQ(wnd->GetTabPage(QStringLiteral("page_tab")), 1);
    EXPECT_FALSE(wnd->SelectTabPage(QStringLiteral("page_tab"), 2));
    EXPECT_EQ(wnd->GetTabPage(QStringLiteral("page_tab")), 1);

    wnd->SetRange(QStringLiteral("load_bar"), 0, 50);
    wnd->SetValue(QStringLiteral("load_bar"), 20);
    EXPECT_EQ(wnd->GetValue(QStringLiteral("load_bar")), 20);
    wnd->SetValue(QStringLiteral("load_bar"), 70);
    EXPECT_EQ(wnd->GetValue(QStringLiteral("load_bar")), 20) << "out of range is refused";

    wnd->SetFixedWidth(QStringLiteral("title_lab"), 123);
    EXPECT_EQ(wnd->FindControl(QStringLiteral("title_lab"))->width(), 123);

    wnd->SetBkColor(QStringLiteral("title_lab"), 0x80FF0000u);
    wnd->SetBkImage(QStringLiteral("title_lab"),
                    QStringLiteral("file='mainWnd/head_in.png' dest='1,2,3,4'"));
    const QString sheet = wnd->FindControl(QStringLiteral("title_lab"))->styleSheet();
    EXPECT_TRUE(sheet.contains(QStringLiteral("rgba(255,0,0,128)"))) << sheet.toStdString();
    EXPECT_TRUE(sheet.contains(QStringLiteral(":/skin/mainWnd/head_in.png")))
        << sheet.toStdString();
    wnd->SetBkImage(QStringLiteral("title_lab"), QString());
    EXPECT_FALSE(
        wnd->FindControl(QStringLiteral("title_lab"))->styleSheet().contains("border-image"));
}

TEST_F(WindowImplBaseTest, ListItemsKeepNameTextAndTag) {
    for (const QString& list : {QStringLiteral("lang_com"), QStringLiteral("dev_list")}) {
        SCOPED_TRACE(list.toStdString());
        ASSERT_TRUE(
            wnd->AddListItem(list, {QStringLiteral("lan_en"), QStringLiteral("English"), 7}));
        ASSERT_TRUE(wnd->AddListItem(
            list, {QStringLiteral("lan_cn"), QStringLiteral("中文"), QStringLiteral("t")}));
        EXPECT_EQ(wnd->GetListCount(list), 2);
        const ListItem second = wnd->GetListItem(list, 1);
        EXPECT_EQ(second.name, QStringLiteral("lan_cn"));
        EXPECT_EQ(second.text, QStringLiteral("中文"));
        EXPECT_EQ(second.tag.toString(), QStringLiteral("t"));
        EXPECT_EQ(wnd->GetListItem(list, 0).tag.toInt(), 7);
        EXPECT_TRUE(wnd->GetListItem(list, 5).name.isEmpty());
        EXPECT_EQ(wnd->FindListItem(list, QStringLiteral("lan_cn")), 1);
        EXPECT_EQ(wnd->FindListItem(list, QStringLiteral("lan_xx")), -1);
        EXPECT_TRUE(wnd->SelectListItem(list, 1));
        EXPECT_EQ(wnd->GetListCurSel(list), 1);
        EXPECT_FALSE(wnd->SelectListItem(list, 2));
        EXPECT_EQ(wnd->GetListCurSel(list), 1);
        wnd->RemoveAllListItems(list);
        EXPECT_EQ(wnd->GetListCount(list), 0);
    }
}

// Catches list items that show a text id as it is, or keep the first language's text after a
// switch, or lose their name or the selection when their text changes.
TEST_F(WindowImplBaseTest, ListItemTextIdsShowTheCurrentLanguageAndFollowItsChanges) {
    for (const QString& list : {QStringLiteral("lang_com"), QStringLiteral("dev_list")}) {
        SCOPED_TRACE(list.toStdString());
        ASSERT_TRUE(ApplyUiLanguage(QStringLiteral("lan_en")));
        ASSERT_TRUE(wnd->AddListItem(list, {QStringLiteral("plain"), QStringLiteral("typed"), 0}));
        ASSERT_TRUE(wnd->AddListItem(
            list, {QStringLiteral("exit"), QStringLiteral("id_tray_menu_exit"), 1}));
        ASSERT_TRUE(
            wnd->AddListItem(list, {QStringLiteral("odd"), QStringLiteral("id_not_in_table"), 2}));
        ASSERT_TRUE(wnd->SelectListItem(list, 1));
        EXPECT_EQ(wnd->GetListItem(list, 1).text, QStringLiteral("Exit"));
        EXPECT_EQ(wnd->GetListItem(list, 2).text, QStringLiteral("id_not_in_table"));
        const size_t notesBefore = wnd->notes.size();

        ASSERT_TRUE(ApplyUiLanguage(QStringLiteral("lan_jp")));
        const ListItem exit = wnd->GetListItem(list, 1);
        EXPECT_EQ(exit.text, QStringLiteral("終了"));
        EXPECT_EQ(exit.name, QStringLiteral("exit"));
        EXPECT_EQ(exit.tag.toInt(), 1);
        EXPECT_EQ(wnd->GetListItem(list, 0).text, QStringLiteral("typed"));
        EXPECT_EQ(wnd->GetListItem(list, 2).text, QStringLiteral("id_not_in_table"));
        EXPECT_EQ(wnd->GetListCurSel(list), 1);
        EXPECT_EQ(wnd->notes.size(), notesBefore) << "a new text is no selection by the user";

        ASSERT_TRUE(ApplyUiLanguage(QStringLiteral("lan_cht")));
        EXPECT_EQ(wnd->GetListItem(list, 1).text, QStringLiteral("退出"));
        wnd->RemoveAllListItems(list);
    }
    ASSERT_TRUE(ApplyUiLanguage(QStringLiteral("lan_en")));
}

// The skins size combos to their items when first shown, so that hidden windows measure nothing;
// catches a combo on screen that keeps its old width when its items or their language change.
TEST_F(WindowImplBaseTest, AShownComboRefitsToItsItems) {
    const QString list = QStringLiteral("lang_com");
    auto* combo = wnd->FindControlAs<QComboBox>(list);
    ASSERT_NE(combo, nullptr);
    ASSERT_TRUE(wnd->AddListItem(list, {QStringLiteral("a"), QStringLiteral("A"), 0}));
    wnd->ShowWindow(true, false);
    const int narrow = combo->sizeHint().width();

    ASSERT_TRUE(wnd->AddListItem(
        list, {QStringLiteral("settings"), QStringLiteral("id_tray_menu_settings"), 1}));
    const int english = combo->sizeHint().width();
    EXPECT_GT(english, narrow) << "an added item";

    ASSERT_TRUE(ApplyUiLanguage(QStringLiteral("lan_jp")));
    EXPECT_LT(combo->sizeHint().width(), english) << "a shorter text in the new language";
    ASSERT_TRUE(ApplyUiLanguage(QStringLiteral("lan_en")));
    EXPECT_EQ(combo->sizeHint().width(), english);

    wnd->RemoveAllListItems(list);
    ASSERT_TRUE(wnd->AddListItem(list, {QStringLiteral("a"), QStringLiteral("A"), 0}));
    EXPECT_EQ(combo->sizeHint().width(), narrow) << "items taken away";
}

struct NotifyCase {
    const char* name;
    std::function<void(RecordingWnd&)> act;
    QString type;
    QString sender;
    uintptr_t wParam;
};

TEST_F(WindowImplBaseTest, NotificationsCarryTheSendersName) {
    const NotifyCase cases[] = {
        {"button click",
         [](RecordingWnd& w) { w.FindControlAs<QAbstractButton>("ok_btn")->click(); },
         QStringLiteral("click"), QStringLiteral("ok_btn"), 0},
        {"check box",
         [](RecordingWnd& w) { w.FindControlAs<QAbstractButton>("auto_box")->click(); },
         QStringLiteral("selectchanged"), QStringLiteral("auto_box"), 1},
        {"option", [](RecordingWnd& w) { w.FindControlAs<QAbstractButton>("b_opt")->click(); },
         QStringLiteral("selectchanged"), QStringLiteral("b_opt"), 1},
        {"combo",
         [](RecordingWnd& w) {
             w.AddListItem("lang_com", {"a", "A", 0});
             w.AddListItem("lang_com", {"b", "B", 0});
             w.FindControlAs<QComboBox>("lang_com")->setCurrentIndex(1);
         },
         QStringLiteral("itemselect"), QStringLiteral("lang_com"), 1},
        {"list",
         [](RecordingWnd& w) {
             w.AddListItem("dev_list", {"mouse", "Mouse", 0});
             w.FindControlAs<QListWidget>("dev_list")->setCurrentRow(0);
         },
         QStringLiteral("itemselect"), QStringLiteral("dev_list"), 0},
        {"slider", [](RecordingWnd& w) { w.FindControlAs<QSlider>("zoom_sld")->setValue(30); },
         QStringLiteral("movevaluechanged"), QStringLiteral("zoom_sld"), 30},
        {"link",
         [](RecordingWnd& w) {
             emit w.FindControlAs<QLabel>("link_lab")->linkActivated("https://example.org");
         },
         QStringLiteral("link"), QStringLiteral("link_lab"), 0},
        {"enter",
         [](RecordingWnd& w) {
             QEvent enter(QEvent::Enter);
             QCoreApplication::sendEvent(w.FindControl("ok_btn"), &enter);
         },
         QStringLiteral("mouseenter"), QStringLiteral("ok_btn"), 0},
        {"leave",
         [](RecordingWnd& w) {
             QEvent leave(QEvent::Leave);
             QCoreApplication::sendEvent(w.FindControl("name_edit"), &leave);
         },
         QStringLiteral("mouseleave"), QStringLiteral("name_edit"), 0},
    };
    for (const NotifyCase& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingWnd w;
        w.Create(nullptr, QStringLiteral("TestWnd"), 0, 0);
        c.act(w);
        auto found = std::find_if(w.notes.begin(), w.notes.end(), [&](const TNotifyUI& n) {
            return n.sType == c.type && n.senderName == c.sender;
        });
        ASSERT_NE(found, w.notes.end());
        EXPECT_EQ(found->pSender, w.FindControl(c.sender));
        EXPECT_EQ(found->wParam, c.wParam);
    }
}

// A list without a current row that takes the focus (keyboard, window activation, a pop-up)
// once made its first row current and reported it as the user's "itemselect": a pop-up list
// took its first item as the choice and closed as soon as it opened.
TEST_F(WindowImplBaseTest, AListWithoutACurrentRowStaysWithoutOneWhenItTakesTheFocus) {
    const Qt::FocusReason reasons[] = {Qt::TabFocusReason,          Qt::BacktabFocusReason,
                                       Qt::ActiveWindowFocusReason, Qt::PopupFocusReason,
                                       Qt::ShortcutFocusReason,     Qt::OtherFocusReason};
    for (const Qt::FocusReason reason : reasons) {
        SCOPED_TRACE(static_cast<int>(reason));
        RecordingWnd w;
        ASSERT_NE(w.Create(nullptr, QStringLiteral("TestWnd"), 0, 0), nullptr);
        w.AddListItem(QStringLiteral("dev_list"), {"mouse", "Mouse", 0});
        w.AddListItem(QStringLiteral("dev_list"), {"pen", "Pen", 1});
        auto* list = w.FindControlAs<QListWidget>(QStringLiteral("dev_list"));
        ASSERT_EQ(list->currentRow(), -1);

        QFocusEvent focusIn(QEvent::FocusIn, reason);
        QCoreApplication::sendEvent(list, &focusIn);

        EXPECT_EQ(list->currentRow(), -1);
        EXPECT_EQ(w.GetListCurSel(QStringLiteral("dev_list")), -1);
        EXPECT_TRUE(std::none_of(w.notes.begin(), w.notes.end(), [](const TNotifyUI& n) {
            return n.sType == QLatin1String("itemselect");
        })) << "the focus is no choice";

        // The user's own pick afterwards is reported as before.
        list->setCurrentRow(1);
        ASSERT_FALSE(w.notes.empty());
        EXPECT_EQ(w.notes.back().sType, QStringLiteral("itemselect"));
        EXPECT_EQ(w.notes.back().wParam, 1u);

        // A list with a current row keeps it when the focus comes back.
        QCoreApplication::sendEvent(list, &focusIn);
        EXPECT_EQ(list->currentRow(), 1);
    }
}

TEST_F(WindowImplBaseTest, ClickNotificationsReachOnClick) {
    QTest::mouseClick(wnd->FindControl(QStringLiteral("ok_btn")), Qt::LeftButton);
    ASSERT_EQ(wnd->clicks.size(), 1u);
    EXPECT_EQ(wnd->clicks[0], QStringLiteral("ok_btn"));
}

TEST_F(WindowImplBaseTest, TimersKeepTheirIdsAndStopWhenKilled) {
    wnd->SetTimer(7, 5);
    wnd->SetTimer(9, 5);
    QTRY_VERIFY_WITH_TIMEOUT(std::count(wnd->ticks.begin(), wnd->ticks.end(), 7u) >= 2 &&
                                 std::count(wnd->ticks.begin(), wnd->ticks.end(), 9u) >= 2,
                             5000);
    wnd->KillTimer(7);
    wnd->SetTimer(9, 5); // restarting an id keeps one timer
    wnd->ticks.clear();
    QTRY_VERIFY_WITH_TIMEOUT(wnd->ticks.size() >= 3, 5000);
    EXPECT_EQ(std::count(wnd->ticks.begin(), wnd->ticks.end(), 7u), 0);
    EXPECT_FALSE(wnd->HasTimer(7));
    EXPECT_TRUE(wnd->HasTimer(9));
}

TEST_F(WindowImplBaseTest, ShowModalReturnsTheCodeGivenToClose) {
    wnd->SetTimer(1, 1);
    QTimer::singleShot(0, [this] { wnd->Close(ui::IDOK); });
    EXPECT_EQ(wnd->ShowModal(), ui::IDOK);
    EXPECT_EQ(wnd->finals, 1);
    EXPECT_EQ(wnd->GetHWND(), nullptr);
    EXPECT_FALSE(wnd->HasTimer(1)) << "a destroyed window has no timers";
}

TEST_F(WindowImplBaseTest, AnAutoDeletedWindowGoesAwayAfterItsFinalMessage) {
    bool destroyed = false;
    auto* dialog = new RecordingWnd;
    dialog->destroyedFlag = &destroyed;
    dialog->SetAutoDelete(true);
    dialog->Create(nullptr, QStringLiteral("Dialog"), ui::WS_VISIBLE, 0);
    dialog->Close();
    EXPECT_FALSE(dialog->IsVisible());
    FlushDeferredDeletes();
    FlushDeferredDeletes();
    EXPECT_TRUE(destroyed);
}

TEST_F(WindowImplBaseTest, TextIdsResolveInTheCurrentLanguageAndFollowItsChanges) {
    EXPECT_EQ(wnd->GetControlText(QStringLiteral("title_lab")), QStringLiteral("Exit"));
    ASSERT_TRUE(
        wnd->SetControlText(QStringLiteral("name_edit"), QStringLiteral("id_tray_menu_help")));
    EXPECT_EQ(wnd->GetControlText(QStringLiteral("name_edit")), QStringLiteral("Help"));

    ASSERT_TRUE(ApplyUiLanguage(QStringLiteral("lan_jp")));
    EXPECT_EQ(wnd->GetControlText(QStringLiteral("title_lab")), QStringLiteral("終了"));
    EXPECT_EQ(wnd->GetControlText(QStringLiteral("name_edit")), QStringLiteral("ヘルプ"));

    // Text set over an id is plain text again and stays through a language change.
    wnd->SetControlText(QStringLiteral("name_edit"), QStringLiteral("typed"));
    ASSERT_TRUE(ApplyUiLanguage(QStringLiteral("lan_en")));
    EXPECT_EQ(wnd->GetControlText(QStringLiteral("name_edit")), QStringLiteral("typed"));
    // An id the table does not know is shown as it is.
    wnd->SetControlText(QStringLiteral("name_edit"), QStringLiteral("id_not_in_table"));
    EXPECT_EQ(wnd->GetControlText(QStringLiteral("name_edit")), QStringLiteral("id_not_in_table"));
}

} // namespace
