#include "app/CConfig.h"
#include "app/CWndManager.h"
#include "device/CDeviceLink.h"
#include "mainwnd/CMainWnd.h"
#include "sim/SimWorldProcess.h"
#include "speech/CAudioEndpoints.h"
#include "support/LocalHttpServer.h"
#include "ui/framework/ListItem.h"
#include "ui/framework/UiLanguage.h"
#include "ui/framework/WindowConstants.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStackedWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>

namespace {

using namespace std::chrono_literals;
using testsupport::HttpReply;
using testsupport::LocalHttpServer;

// The command service of this test program: every request gets the same two-command list.
// The program home with its endpoints.ini is named before anything reads the endpoints.
struct CommandService {
    CommandService() {
        server.SetReply(HttpReply(
            200,
            R"({"rc":"0","data":[)"
            R"({"customCmd":"go","customName":"https://go.example/","cmdType":"website","isshow":"1"},)"
            R"({"customCmd":"项目","customName":"/x","cmdType":"folder","isshow":"1"}]})"));
        QFile ini(home.path() + "/endpoints.ini");
        ini.open(QIODevice::WriteOnly);
        ini.write(("[endpoints]\nservice=" + server.Origin() + "\n").c_str());
        ini.close();
        ::setenv("VELMORA_HOME", home.path().toUtf8().constData(), 1);
    }
    std::vector<std::string> Paths(const std::string& prefix) const {
        std::vector<std::string> paths;
        for (const auto& request : server.Requests()) {
            if (request.target.rfind(prefix, 0) == 0)
                paths.push_back(request.target);
        }
        return paths;
    }
    QTemporaryDir home;
    LocalHttpServer server;
};

CommandService& Service() {
    static CommandService service;
    return service;
}
const bool g_serviceReady = (Service(), true);

bool SpinUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (std::chrono::steady_clock::now() < deadline) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        if (done())
            return true;
    }
    return false;
}

// The main window with a simulated mouse, showing its command page.
class CommandPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(SimWorldProcess::Run("plug mouse"), 0);
        config = std::make_shared<CConfig>(dir.path() + "/");
        config->Set(ConfigKey::RecognitionEngine, QStringLiteral("ms"));
        devices = std::make_unique<CDeviceLink>(config);
        devices->ScanPresentDevices();
        CMainWnd::Parts parts;
        parts.config = config;
        parts.devices = devices.get();
        parts.wndManager = &wndManager;
        parts.audioEndpoints = &endpoints;
        window = std::make_unique<CMainWnd>(std::move(parts));
        window->Create(nullptr, QStringLiteral("MainWnd"), ui::WS_CAPTION | ui::WS_SYSMENU, 0);
        ASSERT_TRUE(SpinUntil([this] { return List()->count() == 2; }));
    }
    void TearDown() override {
        window.reset();
        devices.reset();
        while (SimWorldProcess::Run("unplug mouse 2>/dev/null") == 0) {
        }
    }

    template <class T> T* Control(const char* name) const {
        return window->GetHWND()->findChild<T*>(QString::fromLatin1(name));
    }
    QListWidget* List() const { return Control<QListWidget>("cmd_list"); }
    QWidget* Row(int index) const { return List()->itemWidget(List()->item(index)); }

    QTemporaryDir dir;
    std::shared_ptr<CConfig> config;
    std::unique_ptr<CDeviceLink> devices;
    CWndManager wndManager;
    CAudioEndpoints endpoints;
    std::unique_ptr<CMainWnd> window;
};

TEST_F(CommandPageTest, RowsShowTheListAndCarryTheirIndex) {
    ASSERT_EQ(Service().Paths("/api/getSiDeviceCmdList.json?vid=6352&pid=C098&sn=").empty(), false);
    for (int i = 0; i < 2; ++i) {
        QWidget* row = Row(i);
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(WindowImplBase::GetTag(row->findChild<QPushButton*>("item_del_btn")), i);
    }
    EXPECT_EQ(Row(1)->findChild<QLabel*>("item_cmd_lab")->text(), "项目");
    EXPECT_EQ(Row(1)->findChild<QLabel*>("item_url_lab")->text(), "/x");
    EXPECT_EQ(Row(1)->findChild<QLabel*>("item_type_lab")->text(), "folder");
}

// Catches type items that show their names (or a text id) instead of the interface language's
// texts, keep an old language's texts, or lose the names the add handler compares.
TEST_F(CommandPageTest, TypeItemsShowTheInterfaceLanguageAndKeepTheirNames) {
    const struct {
        const char* language;
        const char* texts[3];
    } cases[] = {
        {"lan_en", {"Website", "File", "Folder"}},
        {"lan_cn", {"网址", "文件", "文件夹"}},
        {"lan_cht", {"網址", "檔案", "資料夾"}},
        {"lan_jp", {"ウェブサイト", "ファイル", "フォルダー"}},
    };
    const char* const names[] = {"website", "file", "folder"};
    auto* types = Control<QComboBox>("cmdtype_com");
    ASSERT_NE(types, nullptr);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.language);
        ASSERT_TRUE(ApplyUiLanguage(QString::fromLatin1(c.language)));
        ASSERT_EQ(types->count(), 3);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(types->itemText(i), QString::fromUtf8(c.texts[i]));
            EXPECT_EQ(types->itemData(i, ui::kListNameRole).toString(), names[i]);
        }
    }
}

TEST_F(CommandPageTest, TheCommandsOptionShowsPageOne) {
    Control<QAbstractButton>("cusset_opt")->click();
    EXPECT_EQ(Control<QStackedWidget>("mouse_tablayout")->currentIndex(), 1);
    Control<QAbstractButton>("set_opt")->click();
    EXPECT_EQ(Control<QStackedWidget>("mouse_tablayout")->currentIndex(), 3);
}

TEST_F(CommandPageTest, DeleteSendsTheRowsWord) {
    const size_t before = Service().Paths("/api/deleteSiDeviceCmd.json").size();
    Row(1)->findChild<QPushButton*>("item_del_btn")->click();
    ASSERT_TRUE(
        SpinUntil([&] { return Service().Paths("/api/deleteSiDeviceCmd.json").size() > before; }));
    EXPECT_EQ(
        Service()
            .Paths("/api/deleteSiDeviceCmd.json")
            .back()
            .rfind("/api/deleteSiDeviceCmd.json?customCmd=%E9%A1%B9%E7%9B%AE&vid=6352&pid=C098&sn=",
                   0),
        0u);
}

TEST_F(CommandPageTest, AddSendsTheEncodedCommandAndEmptiesBothBoxes) {
    auto* types = Control<QComboBox>("cmdtype_com");
    types->setCurrentIndex(types->findData("website", ui::kListNameRole));
    Control<QLineEdit>("url_edit")->setText("https://w.example/?a=1&b=2");
    // An empty word sends nothing and keeps the target.
    Control<QPushButton>("add_cmd_btn")->click();
    EXPECT_EQ(Control<QLineEdit>("url_edit")->text(), "https://w.example/?a=1&b=2");
    Control<QLineEdit>("cmd_edit")->setText("天气 A&B");
    const size_t before = Service().Paths("/api/editiorAddSiDeviceCmd.json").size();
    Control<QPushButton>("add_cmd_btn")->click();
    EXPECT_EQ(Control<QLineEdit>("cmd_edit")->text(), "");
    EXPECT_EQ(Control<QLineEdit>("url_edit")->text(), "");
    ASSERT_TRUE(SpinUntil(
        [&] { return Service().Paths("/api/editiorAddSiDeviceCmd.json").size() > before; }));
    const auto adds = Service().Paths("/api/editiorAddSiDeviceCmd.json");
    EXPECT_EQ(adds.size(), before + 1);
    EXPECT_EQ(adds.back().rfind("/api/editiorAddSiDeviceCmd.json?customName=https%3A%2F%2Fw.example"
                                "%2F%3Fa%3D1%26b%3D2&customCmd=%E5%A4%A9%E6%B0%94+A%26B"
                                "&cmdType=website&vid=6352&pid=C098&sn=",
                                0),
              0u);
}

} // namespace
