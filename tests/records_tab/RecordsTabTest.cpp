#include "records/CModifyWnd.h"
#include "records/CRecordCalls.h"
#include "records/CRecordStore.h"
#include "records/CRecordsTab.h"
#include "records/RecordMessages.h"
#include "service/UserInfo.h"
#include "ui/framework/ControlState.h"
#include "ui/framework/WindowImplBase.h"
#include "ui/framework/WindowMessage.h"

#include "support/LocalHttpServer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QMovie>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTest>

#include <curl/curl.h>
#include <gtest/gtest.h>
#include <opus/opus.h>

#include <cmath>
#include <fstream>

namespace {

using testsupport::HttpReply;
using testsupport::LocalHttpServer;

const bool kCurlReady = curl_global_init(CURL_GLOBAL_ALL) == 0;
constexpr int kWait = 30000;

// The main window's skin with the records page, driving the tab as the main window does.
class PageWindow : public WindowImplBase {
public:
    QString GetWindowClassName() const override { return QStringLiteral("MainWnd"); }
    QString GetSkinFile() const override { return QStringLiteral("MainWnd.xml"); }

    std::unique_ptr<CRecordsTab> tab;
    std::vector<std::pair<DialogWnd, DialogRequest>> dialogs;

protected:
    void Notify(const TNotifyUI& msg) override {
        if (msg.sType == QLatin1String("selectchanged") && tab &&
            tab->OnSelectChanged(msg.senderName, msg.wParam != 0))
            return;
        WindowImplBase::Notify(msg);
    }
    void OnClick(const TNotifyUI& msg) override {
        if (tab)
            tab->OnClick(msg.senderName, msg.pSender);
    }
    intptr_t HandleCustomMessage(unsigned msg, uintptr_t wParam, intptr_t, bool& handled) override {
        handled = tab && tab->HandleMessage(msg, wParam);
        return 0;
    }
};

// A pen file: raw 40-byte Opus packets of a 16 kHz mono tone.
std::string PenFile(int packets) {
    int error = 0;
    OpusEncoder* encoder = opus_encoder_create(16000, 1, OPUS_APPLICATION_VOIP, &error);
    opus_encoder_ctl(encoder, OPUS_SET_BITRATE(16000));
    opus_encoder_ctl(encoder, OPUS_SET_VBR(0));
    std::string bytes;
    opus_int16 pcm[320];
    for (int p = 0; p < packets; ++p) {
        for (int i = 0; i < 320; ++i)
            pcm[i] = static_cast<opus_int16>(8000 * std::sin((p * 320 + i) * 0.05));
        unsigned char packet[40] = {};
        const int size = opus_encode(encoder, pcm, 320, packet, sizeof(packet));
        bytes.append(reinterpret_cast<const char*>(packet), 40);
        EXPECT_EQ(size, 40);
    }
    opus_encoder_destroy(encoder);
    return bytes;
}

QMessageBox* OpenBox(const QString& text) {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        if (box && box->isVisible() && box->text() == text)
            return box;
    }
    return nullptr;
}

// Waits for the box with this text and presses one of its buttons.
bool Answer(const QString& text, QMessageBox::StandardButton button) {
    QMessageBox* box = nullptr;
    if (!QTest::qWaitFor([&] { return (box = OpenBox(text)) != nullptr; }, kWait))
        return false;
    QAbstractButton* pressed = box->button(button);
    if (!pressed)
        return false;
    pressed->click();
    return QTest::qWaitFor([&] { return OpenBox(text) == nullptr; }, kWait);
}

class RecordsTabTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(kCurlReady);
        m_server.SetRoute("/api/getRecords.json?userid=42", HttpReply(200, FetchReply({})));
        m_server.SetRoute("/api/editiorSaveRecord",
                          HttpReply(200, R"({"rc":"0","data":{"id":88,"userid":42}})"));
        m_server.SetRoute("/api/recordUpload.json", HttpReply(200, R"({"rc":"0"})"));
        UserRecord record;
        record.id = 42;
        m_user->Fill(record);
        m_user->SetSignedIn(true);

        CRecordStore::Links storeLinks;
        storeLinks.scanFinished = [this] {
            PostMessage(&m_window, recmsg::kLocalRecordsChanged, 0, 0);
        };
        m_store = std::make_shared<CRecordStore>(std::move(storeLinks));
        CRecordCalls::Links callLinks;
        CRecordCalls::UseStore(callLinks, m_store);
        callLinks.post = [this](unsigned msg, uintptr_t wParam) {
            return PostMessage(&m_window, msg, wParam, 0);
        };
        m_calls = std::make_shared<CRecordCalls>(m_server.Origin(), std::move(callLinks));

        ASSERT_TRUE(m_window.Create(nullptr, QStringLiteral("MainWnd"), 0, 0));
        CRecordsTab::Links links;
        links.store = m_store;
        links.calls = m_calls;
        links.user = m_user;
        links.openDialog = [this](DialogWnd kind, const DialogRequest& request) {
            m_window.dialogs.emplace_back(kind, request);
        };
        links.findRecorderDrive = [] { return QStringLiteral("/media/pen"); };
        links.transcribe = [this](const TranscriptionJob& job) { m_jobs.push_back(job); };
        m_window.tab = std::make_unique<CRecordsTab>(m_window, std::move(links));
        m_listener = m_window.tab->TranscriberListener();
        m_window.tab->InitRecorderPage();
        m_window.SelectTabPage(QStringLiteral("main_tablayout"), 2);
        m_window.SetControlVisible(QStringLiteral("login_c"), true);
        m_window.ShowWindow(true, false);

        m_opus = m_dir.filePath(QStringLiteral("pen"));
        m_root = m_dir.filePath(QStringLiteral("out"));
        QDir().mkpath(m_opus);
    }

    void TearDown() override {
        m_window.tab.reset();
        m_calls->AbandonRunning();
    }

    static std::string FetchReply(const std::vector<std::string>& records) {
        std::string data;
        for (const std::string& record : records)
            data += (data.empty() ? "" : ",") + record;
        return R"({"rc":"0","data":[)" + data + "]}";
    }

    void AddPenFile(const QString& name, int packets = 50) {
        QFile file(m_opus + QLatin1Char('/') + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        const std::string bytes = PenFile(packets);
        file.write(bytes.data(), static_cast<qint64>(bytes.size()));
    }

    QListWidget* LocalList() const {
        return m_window.FindControlAs<QListWidget>(QStringLiteral("record_local_list"));
    }
    QListWidget* ServerList() const {
        return m_window.FindControlAs<QListWidget>(QStringLiteral("record_server_list"));
    }
    template <class T = QWidget> T* Row(int row, const char* name) {
        return qobject_cast<T*>(
            m_window.FindRowControl(QStringLiteral("record_local_list"), row, QLatin1String(name)));
    }

    void Click(QWidget* control) {
        auto* button = qobject_cast<QAbstractButton*>(control);
        ASSERT_NE(button, nullptr);
        button->click();
    }

    // A picture control running its animation, as every shown one must (also when shown again).
    static bool AnimationRuns(QWidget* picture) {
        const auto* label = qobject_cast<QLabel*>(picture);
        const QMovie* movie = label != nullptr ? label->movie() : nullptr;
        return movie != nullptr && movie->isValid() && movie->state() == QMovie::Running;
    }

    // Scans the pen folder and waits for the list to show `count` records.
    void Scan(int count) {
        m_window.SetControlText(QStringLiteral("opus_path_edit"), m_opus);
        m_window.SetControlText(QStringLiteral("wav_path_edit"), m_root);
        Click(m_window.FindControl(QStringLiteral("scan_btn")));
        EXPECT_TRUE(m_window.IsControlVisible(QStringLiteral("scan_gif")));
        EXPECT_TRUE(AnimationRuns(m_window.FindControl(QStringLiteral("scan_gif"))));
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return m_window.IsControlVisible(QStringLiteral("scan_btn")); }, kWait));
        ASSERT_EQ(LocalList()->count(), count);
        EXPECT_FALSE(m_window.IsControlVisible(QStringLiteral("scan_gif")));
    }

    // The transcriber wrote the text file and reports.
    void FinishTranscript(const std::string& text, bool failed = false) {
        ASSERT_FALSE(m_jobs.empty());
        std::ofstream(m_jobs.back().txtPath, std::ios::binary) << text;
        m_listener.finished(failed);
    }

    QTemporaryDir m_dir;
    QString m_opus;
    QString m_root;
    LocalHttpServer m_server{HttpReply(404)};
    std::shared_ptr<UserInfo> m_user = std::make_shared<UserInfo>();
    std::shared_ptr<CRecordStore> m_store;
    std::shared_ptr<CRecordCalls> m_calls;
    PageWindow m_window;
    std::vector<TranscriptionJob> m_jobs;
    CXfEngineWeb::Listener m_listener;
};

TEST_F(RecordsTabTest, SignInFetchesTheUsersRecordsAndFillsThePenVolume) {
    m_server.SetRoute("/api/getRecords.json?userid=42",
                      HttpReply(200, FetchReply({R"({"id":3,"filename":"talk.one.wav",
                                                    "recognitionLanguage":"en_us"})"})));
    m_window.tab->OnSignedIn();
    ASSERT_TRUE(QTest::qWaitFor([&] { return ServerList()->count() == 1; }, kWait));
    EXPECT_EQ(m_server.Targets().at(0), "/api/getRecords.json?userid=42");
    auto* name = qobject_cast<QLabel*>(m_window.FindRowControl(
        QStringLiteral("record_server_list"), 0, QStringLiteral("server_name_lab")));
    auto* language = qobject_cast<QLabel*>(m_window.FindRowControl(
        QStringLiteral("record_server_list"), 0, QStringLiteral("server_lang_lab")));
    ASSERT_TRUE(name && language);
    EXPECT_EQ(name->text(), "talk");
    EXPECT_EQ(language->text(), "en_us");
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return m_window.GetControlText(QStringLiteral("opus_path_edit")) == "/media/pen"; },
        kWait));
}

TEST_F(RecordsTabTest, ScannedRecordsCarryTheirIndexAndTheTwoLanguages) {
    AddPenFile(QStringLiteral("REC000.opus"));
    AddPenFile(QStringLiteral("REC001.OPUS"));
    AddPenFile(QStringLiteral("REC002.opus"));
    Scan(3);
    for (int row = 0; row < 3; ++row) {
        for (const char* control : {"local_play_btn", "local_identify_btn", "local_del_btn"})
            EXPECT_EQ(WindowImplBase::GetTag(Row(row, control)), row) << control;
        auto* languages = Row<QComboBox>(row, "local_lang_com");
        ASSERT_NE(languages, nullptr);
        ASSERT_EQ(languages->count(), 2);
        EXPECT_EQ(languages->itemText(0), "zh_cn");
        EXPECT_EQ(languages->itemText(1), "en_us");
        EXPECT_EQ(languages->currentIndex(), 0);
        EXPECT_TRUE(Row(row, "log_loading_gif")->isHidden());
    }
    EXPECT_EQ(Row<QLabel>(1, "local_name_lab")->text(), "REC001");

    Click(Row(2, "local_play_btn"));
    ASSERT_EQ(m_window.dialogs.size(), 1u);
    EXPECT_EQ(m_window.dialogs[0].first, DialogWnd::Voice);
    const QVariantMap argument = m_window.dialogs[0].second.argument.toMap();
    EXPECT_EQ(argument.value("local").toBool(), true);
    EXPECT_EQ(argument.value("index").toInt(), 2);
}

TEST_F(RecordsTabTest, IdentifyTranscribesSavesUploadsAndRefetches) {
    AddPenFile(QStringLiteral("REC000.opus"));
    AddPenFile(QStringLiteral("REC001.opus"));
    Scan(2);
    Row<QComboBox>(1, "local_lang_com")->setCurrentIndex(1);
    Click(Row(1, "local_identify_btn"));
    ASSERT_EQ(m_jobs.size(), 1u);
    EXPECT_EQ(m_jobs[0].language, "en_us");
    EXPECT_NE(m_jobs[0].pcmPath.find("REC001.pcm"), std::string::npos);
    EXPECT_NE(m_jobs[0].txtPath.find("REC001.txt"), std::string::npos);
    EXPECT_TRUE(m_window.tab->IsIdentifying());
    EXPECT_TRUE(Row(1, "local_identify_btn")->isHidden());
    EXPECT_FALSE(Row(1, "log_loading_gif")->isHidden());
    EXPECT_TRUE(AnimationRuns(Row(1, "log_loading_gif")));

    // Another identify, a local delete and a refresh are refused while the chain runs.
    Click(Row(0, "local_identify_btn"));
    EXPECT_TRUE(Answer(QStringLiteral("有录音文件正在识别,请勿操作"), QMessageBox::Ok));
    Click(Row(0, "local_del_btn"));
    EXPECT_TRUE(Answer(QStringLiteral("有录音文件正在识别,请勿操作"), QMessageBox::Ok));
    EXPECT_EQ(m_jobs.size(), 1u);
    EXPECT_EQ(LocalList()->count(), 2);

    m_listener.progress(40);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return Row<QLabel>(1, "local_progress_lab")->text() == "40%"; }, kWait));
    // Once uploaded, the service lists the record under the pen file's name.
    m_server.SetRoute("/api/getRecords.json?userid=42",
                      HttpReply(200, FetchReply({R"({"id":88,"filepath":"/up/42/REC001.wav"})"})));
    FinishTranscript("go forward ten meters");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !m_window.tab->IsIdentifying(); }, kWait));
    const std::vector<std::string> targets = m_server.Targets();
    ASSERT_GE(targets.size(), 2u);
    EXPECT_EQ(targets[0], "/api/editiorSaveRecord");
    EXPECT_EQ(targets[1], "/api/recordUpload.json");
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_server.Targets().size() >= 3; }, kWait));
    EXPECT_EQ(m_server.Targets()[2], "/api/getRecords.json?userid=42");
    // The refetched list shows the record finished, and the other one still open.
    ASSERT_TRUE(QTest::qWaitFor([&] { return ServerList()->count() == 1; }, kWait));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Row(1, "local_identify_btn") != nullptr; }, kWait));
    QWidget* identify = Row(1, "local_identify_btn");
    EXPECT_FALSE(identify->isHidden());
    EXPECT_FALSE(identify->isEnabled());
    EXPECT_TRUE(Row(0, "local_identify_btn")->isEnabled());
    EXPECT_EQ(identify->property(ui::kImageProperty).toString(), ":/skin/mainWnd/icon_finish.png");
    EXPECT_FALSE(QPixmap(identify->property(ui::kImageProperty).toString()).isNull());
    EXPECT_FALSE(
        QPixmap(Row(0, "local_identify_btn")->property(ui::kImageProperty).toString()).isNull());
    EXPECT_FALSE(Row(1, "local_lang_com")->isEnabled());
    const std::optional<RecordItem> saved = m_store->LocalRecord(1);
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->id, 88);
    EXPECT_EQ(saved->content, "go forward ten meters");
    EXPECT_EQ(saved->recognitionLanguage, "en_us");
}

struct ChainFailure {
    const char* name;
    bool transcriptFails;
    int saveStatus;
    int uploadStatus;
    size_t requests; // what reached the service
};

class ChainFailureTest : public RecordsTabTest,
                         public ::testing::WithParamInterface<ChainFailure> {};

TEST_P(ChainFailureTest, EndsTheChainWithTheBoxAndAllowsAnotherTry) {
    const ChainFailure& c = GetParam();
    m_server.SetRoute("/api/editiorSaveRecord",
                      HttpReply(c.saveStatus, R"({"rc":"0","data":{"id":88}})"));
    m_server.SetRoute("/api/recordUpload.json", HttpReply(c.uploadStatus, R"({"rc":"0"})"));
    AddPenFile(QStringLiteral("REC000.opus"));
    Scan(1);
    Click(Row(0, "local_identify_btn"));
    FinishTranscript("text", c.transcriptFails);
    EXPECT_TRUE(Answer(QStringLiteral("上传录音失败"), QMessageBox::Ok));
    EXPECT_FALSE(m_window.tab->IsIdentifying());
    QWidget* identify = Row(0, "local_identify_btn");
    EXPECT_FALSE(identify->isHidden());
    EXPECT_TRUE(identify->isEnabled());
    EXPECT_EQ(identify->property(ui::kImageProperty).toString(),
              ":/skin/mainWnd/icon_identify.png");
    EXPECT_TRUE(Row(0, "log_loading_gif")->isHidden());
    EXPECT_EQ(m_server.Requests().size(), c.requests);
    // The record can be tried again.
    Click(identify);
    EXPECT_EQ(m_jobs.size(), 2u);
    EXPECT_TRUE(AnimationRuns(Row(0, "log_loading_gif")));
}

INSTANTIATE_TEST_SUITE_P(Steps, ChainFailureTest,
                         ::testing::Values(ChainFailure{"transcript", true, 200, 200, 0},
                                           ChainFailure{"save", false, 500, 200, 1},
                                           ChainFailure{"upload", false, 200, 500, 2}),
                         [](const ::testing::TestParamInfo<ChainFailure>& info) {
                             return info.param.name;
                         });

TEST_F(RecordsTabTest, WithoutATranscriberIdentifyFailsCleanly) {
    CRecordsTab::Links links;
    links.store = m_store;
    links.calls = m_calls;
    links.user = m_user;
    m_window.tab = std::make_unique<CRecordsTab>(m_window, std::move(links));
    AddPenFile(QStringLiteral("REC000.opus"));
    Scan(1);
    Click(Row(0, "local_identify_btn"));
    EXPECT_TRUE(Answer(QStringLiteral("上传录音失败"), QMessageBox::Ok));
    EXPECT_FALSE(m_window.tab->IsIdentifying());
    EXPECT_TRUE(m_server.Requests().empty());
}

TEST_F(RecordsTabTest, ARecordOnTheServerCannotBeIdentifiedAgain) {
    AddPenFile(QStringLiteral("REC000.opus"));
    AddPenFile(QStringLiteral("REC001.opus"));
    Scan(2);
    m_server.SetRoute("/api/getRecords.json?userid=42",
                      HttpReply(200, FetchReply({R"({"id":3,"filepath":"/up/2021/REC001.wav"})"})));
    m_window.tab->OnSignedIn();
    ASSERT_TRUE(QTest::qWaitFor([&] { return ServerList()->count() == 1; }, kWait));
    EXPECT_TRUE(Row(0, "local_identify_btn")->isEnabled());
    QWidget* done = Row(1, "local_identify_btn");
    EXPECT_FALSE(done->isEnabled());
    EXPECT_EQ(done->property(ui::kImageProperty).toString(), ":/skin/mainWnd/icon_finish.png");
    EXPECT_FALSE(Row(1, "local_lang_com")->isEnabled());
}

TEST_F(RecordsTabTest, DeletingALocalRecordNeedsYesAndRenumbersTheRows) {
    AddPenFile(QStringLiteral("REC000.opus"));
    AddPenFile(QStringLiteral("REC001.opus"));
    AddPenFile(QStringLiteral("REC002.opus"));
    Scan(3);
    Click(Row(1, "local_del_btn"));
    ASSERT_TRUE(Answer(QStringLiteral("是否删除录音笔本地录音文件?"), QMessageBox::No));
    EXPECT_EQ(LocalList()->count(), 3);
    EXPECT_TRUE(QFile::exists(m_opus + "/REC001.opus"));

    Click(Row(1, "local_del_btn"));
    ASSERT_TRUE(Answer(QStringLiteral("是否删除录音笔本地录音文件?"), QMessageBox::Yes));
    ASSERT_EQ(LocalList()->count(), 2);
    EXPECT_FALSE(QFile::exists(m_opus + "/REC001.opus"));
    EXPECT_EQ(Row<QLabel>(1, "local_name_lab")->text(), "REC002");
    EXPECT_EQ(WindowImplBase::GetTag(Row(1, "local_del_btn")), 1);
}

TEST_F(RecordsTabTest, DeletingAServerRecordWaitsForTheService) {
    m_server.SetRoute("/api/getRecords.json?userid=42",
                      HttpReply(200, FetchReply({R"({"id":3,"filename":"a.wav"})",
                                                 R"({"id":9,"filename":"b.wav"})"})));
    m_server.SetRoute("/api/deleteRecord.json?id=9", HttpReply(200, R"({"rc":"0"})"));
    m_window.tab->OnSignedIn();
    ASSERT_TRUE(QTest::qWaitFor([&] { return ServerList()->count() == 2; }, kWait));
    QWidget* del = m_window.FindRowControl(QStringLiteral("record_server_list"), 1,
                                           QStringLiteral("server_del_btn"));
    Click(del);
    ASSERT_TRUE(Answer(QStringLiteral("是否删除录音笔云端录音文件?"), QMessageBox::Yes));
    // The list is fetched again once the service confirmed.
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_server.Targets().size() >= 3; }, kWait))
        << testing::PrintToString(m_server.Targets());
    const auto targets = m_server.Targets();
    EXPECT_EQ(targets[1], "/api/deleteRecord.json?id=9");
    EXPECT_EQ(targets[2], "/api/getRecords.json?userid=42");
}

TEST_F(RecordsTabTest, SignOutEmptiesEverythingAndDropsTheRunningChain) {
    AddPenFile(QStringLiteral("REC000.opus"));
    Scan(1);
    Click(Row(0, "local_identify_btn"));
    m_user->SetSignedIn(false);
    m_window.tab->OnSignedOut();
    EXPECT_EQ(LocalList()->count(), 0);
    EXPECT_EQ(ServerList()->count(), 0);
    EXPECT_TRUE(m_store->LocalRecords().empty());
    EXPECT_FALSE(m_window.tab->IsIdentifying());
    // The transcript of the abandoned chain arrives: nothing is saved. The next sign-in's
    // fetch is then the first request the service sees.
    FinishTranscript("late text");
    QCoreApplication::sendPostedEvents(&m_window, 0);
    m_user->SetSignedIn(true);
    m_window.tab->OnSignedIn();
    ASSERT_TRUE(m_server.WaitForRequests(1, std::chrono::milliseconds(kWait)));
    EXPECT_EQ(m_server.Targets().at(0), "/api/getRecords.json?userid=42");
}

TEST_F(RecordsTabTest, TheOptionsSwitchThePages) {
    Click(m_window.FindControl(QStringLiteral("server_opt")));
    EXPECT_EQ(m_window.GetTabPage(QStringLiteral("record_tab")), 1);
    Click(m_window.FindControl(QStringLiteral("local_opt")));
    EXPECT_EQ(m_window.GetTabPage(QStringLiteral("record_tab")), 0);
}

// The edit window on one server record.
class ModifyWndTest : public RecordsTabTest {};

TEST_F(ModifyWndTest, SavesTitleWithItsExtensionAndTheTextThenCloses) {
    m_server.SetRoute("/api/getRecords.json?userid=42",
                      HttpReply(200, FetchReply({R"({"id":7,"filename":"talk.part.wav",
                                                    "content":"old"})"})));
    m_server.SetRoute("/api/editiorAddRecord.json", HttpReply(200, R"({"rc":"0"})"));
    m_window.tab->OnSignedIn();
    ASSERT_TRUE(QTest::qWaitFor([&] { return ServerList()->count() == 1; }, kWait));
    std::vector<RecordItem> edits;
    auto* wnd = new CModifyWnd(
        m_store, [&](const RecordItem& record) { edits.push_back(record); }, 0);
    wnd->SetAutoDelete(true);
    QPointer<QObject> alive(wnd);
    ASSERT_TRUE(wnd->Create(nullptr, QStringLiteral("ModifyWnd"), 0, 0));
    EXPECT_EQ(wnd->GetControlText(QStringLiteral("title")), "talk");
    EXPECT_EQ(wnd->GetControlText(QStringLiteral("recog_content")), "old");
    wnd->SetControlText(QStringLiteral("title"), QStringLiteral("new & name"));
    wnd->SetControlText(QStringLiteral("recog_content"), QStringLiteral("新的 text"));
    qobject_cast<QAbstractButton*>(wnd->FindControl(QStringLiteral("modify_save")))->click();
    ASSERT_EQ(edits.size(), 1u);
    EXPECT_EQ(edits[0].filename, "new & name.part.wav");
    EXPECT_EQ(edits[0].content, "新的 text");
    EXPECT_EQ(m_store->ServerRecord(0)->filename, "new & name.part.wav");
    ASSERT_TRUE(QTest::qWaitFor([&] { return alive.isNull(); }, kWait));
}

TEST(ModifyWndName, SplitsAtTheFirstDot) {
    struct Case {
        const char* name;
        const char* title;
        const char* extension;
        bool hasExtension;
    };
    const Case cases[] = {{"a.b.wav", "a", "b.wav", true},
                          {"plain", "plain", "", false},
                          {".wav", "", "wav", true},
                          {"x.", "x", "", true}};
    for (const Case& c : cases) {
        std::string title, extension;
        bool has = false;
        CModifyWnd::SplitFileName(c.name, title, extension, has);
        EXPECT_EQ(title, c.title) << c.name;
        EXPECT_EQ(extension, c.extension) << c.name;
        EXPECT_EQ(has, c.hasExtension) << c.name;
    }
}

} // namespace
