#include "app/Telemetry.h"
#include "app/CConfig.h"
#include "platform/NetworkAdapter.h"
#include "support/LocalHttpServer.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

using testsupport::HttpReply;
using testsupport::HttpRequest;
using testsupport::LocalHttpServer;

namespace {

// The maker's service for the whole test program: the program home's endpoints.ini points the
// service base at it before anything reads the endpoints.
class TelemetryEnvironment : public testing::Environment {
public:
    void SetUp() override {
        ASSERT_TRUE(m_home.isValid());
        m_server = std::make_unique<LocalHttpServer>(HttpReply(200, "{\"rc\":0}"));
        std::ofstream(m_home.filePath("endpoints.ini").toStdString())
            << "[endpoints]\nservice = " << m_server->Origin() << "\n";
        setenv("VELMORA_HOME", m_home.path().toUtf8().constData(), 1);
    }
    // Detached report threads may still be waiting on a silent connection.
    void TearDown() override { m_server.reset(); }
    LocalHttpServer& Server() { return *m_server; }

private:
    QTemporaryDir m_home;
    std::unique_ptr<LocalHttpServer> m_server;
};

TelemetryEnvironment* const environment =
    static_cast<TelemetryEnvironment*>(testing::AddGlobalTestEnvironment(new TelemetryEnvironment));

size_t Occurrences(const std::string& text, const std::string& needle) {
    size_t found = 0;
    for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1))
        ++found;
    return found;
}

// Standard error (the debug channel with VELMORA_DEBUG=1) goes to a file while it lives.
class DebugChannelCapture {
public:
    DebugChannelCapture() {
        std::fflush(stderr);
        m_path = QDir::temp()
                     .filePath(QStringLiteral("velmora-debug-%1.txt").arg(getpid()))
                     .toStdString();
        const int fd = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        m_saved = ::dup(STDERR_FILENO);
        ::dup2(fd, STDERR_FILENO);
        ::close(fd);
    }
    ~DebugChannelCapture() {
        std::fflush(stderr);
        ::dup2(m_saved, STDERR_FILENO);
        ::close(m_saved);
        std::remove(m_path.c_str());
    }
    std::string Text() const {
        std::ifstream file(m_path, std::ios::binary);
        std::ostringstream text;
        text << file.rdbuf();
        return text.str();
    }
    // Waits until the text contains `needle` `count` times; returns the whole text.
    std::string WaitFor(const std::string& needle, std::chrono::seconds limit,
                        size_t count = 1) const {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        std::string text = Text();
        while (Occurrences(text, needle) < count && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            text = Text();
        }
        return text;
    }

private:
    std::string m_path;
    int m_saved = -1;
};

class Telemetry : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        std::ofstream(m_dir.filePath("custom.ini").toStdString())
            << "[client]\nchannelName=Orvanta\xE6\xB8\xA0\xE9\x81\x93\nversion=1.2.3\n";
        m_config = std::make_shared<CConfig>(m_dir.path() + QLatin1Char('/'));
        environment->Server().SetReply(HttpReply(200, "{\"rc\":0}"));
        m_seen = environment->Server().Requests().size();
    }
    void ConnectDevice() {
        m_config->SetSn(QStringLiteral("SN-0042"));
        m_config->SetVid(QStringLiteral("1D57"));
        m_config->SetPid(QStringLiteral("FA20"));
    }
    HttpRequest NextRequest() {
        LocalHttpServer& server = environment->Server();
        EXPECT_TRUE(server.WaitForRequests(m_seen + 1, std::chrono::seconds(10)));
        const std::vector<HttpRequest> requests = server.Requests();
        EXPECT_EQ(requests.size(), m_seen + 1);
        return requests.size() > m_seen ? requests[m_seen++] : HttpRequest();
    }
    static std::string Mac() { return platform::FirstAdapterMac().toStdString(); }

    QTemporaryDir m_dir;
    std::shared_ptr<CConfig> m_config;
    size_t m_seen = 0;
};

struct UsageCase {
    int kind;
    QString first;
    QString second;
    std::string firstUtf8;
    std::string secondUtf8;
};

TEST_F(Telemetry, UsageEventBodyHoldsTheDeviceAndBothTextsByteForByte) {
    ConnectDevice();
    const UsageCase cases[] = {
        {3, UsageEventText(3), QString(), "\xE8\xBD\xAF\xE4\xBB\xB6\xE5\x90\xAF\xE5\x8A\xA8", ""},
        {4, UsageEventText(4), QString(), "\xE6\x96\xB0\xE8\xA3\x85\xE8\xBD\xAF\xE4\xBB\xB6", ""},
        {0, UsageEventText(0), QStringLiteral("a&b=c %41 \u4F60\u597D"),
         "\xE8\xAF\xAD\xE9\x9F\xB3\xE6\x89\x93\xE5\xAD\x97", "a&b=c %41 \xE4\xBD\xA0\xE5\xA5\xBD"},
    };
    for (const UsageCase& c : cases) {
        SCOPED_TRACE(c.kind);
        DebugChannelCapture debug;
        RecordUsageEvent(m_config, c.kind, c.first, c.second);
        const HttpRequest request = NextRequest();
        const std::string expected =
            "eventTypeId=" + std::to_string(c.kind) +
            "&eventTarget=SN-0042&deviceVid=1D57&devicePid=FA20&clientMac=" + Mac() +
            "&clientVersion=1.2.3&channelName=Orvanta\xE6\xB8\xA0\xE9\x81\x93"
            "&deviceType=MOUSE&eventInfo=" +
            c.firstUtf8 + "&eventInfo1=" + c.secondUtf8;
        EXPECT_EQ(request.method, "POST");
        EXPECT_EQ(request.target, "/api/addEventLog.json");
        EXPECT_EQ(request.Header("Content-Type"), "application/x-www-form-urlencoded");
        EXPECT_EQ(request.body, expected);

        const std::string text = debug.WaitFor("success\n", std::chrono::seconds(10));
        const size_t body = text.find(expected);
        EXPECT_NE(body, std::string::npos) << text;
        EXPECT_NE(text.find("success\n", body), std::string::npos) << text;
    }
}

TEST_F(Telemetry, DeviceInfoBodyCarriesWhatTheSettingsHoldAndTheUserId) {
    const std::string prefix = "&mac=" + Mac() +
                               "&version=1.2.3&channelName=Orvanta\xE6\xB8\xA0\xE9\x81\x93"
                               "&deviceType=MOUSE&deviceModel=&userId=";
    DebugChannelCapture debug;

    SendDeviceInfo(m_config, 0); // before any device is found
    HttpRequest request = NextRequest();
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.target, "/api/addDeviceInfo.json");
    EXPECT_EQ(request.body, "sn=&vid=&pid=" + prefix + "0");

    ConnectDevice();
    SendDeviceInfo(m_config, 1234);
    request = NextRequest();
    EXPECT_EQ(request.target, "/api/addDeviceInfo.json");
    EXPECT_EQ(request.body, "sn=SN-0042&vid=1D57&pid=FA20" + prefix + "1234");
    // Both report threads end here, so their outcome lines cannot land in a later test's capture.
    const std::string text = debug.WaitFor("success\n", std::chrono::seconds(30), 2);
    EXPECT_EQ(Occurrences(text, "success\n"), 2u) << text;
}

TEST_F(Telemetry, ReportOutlivesTheCallersSettingsAndNotesAFailedTransfer) {
    environment->Server().SetReply(HttpReply(500, "busy"));
    DebugChannelCapture debug;
    {
        auto config = std::make_shared<CConfig>(m_dir.path() + QLatin1Char('/'));
        config->SetSn(QStringLiteral("SN-GONE"));
        SendDeviceInfo(std::move(config), 7);
    }
    EXPECT_EQ(NextRequest().body.rfind("sn=SN-GONE&", 0), 0u);
    const std::string text = debug.WaitFor("failed\n", std::chrono::seconds(10));
    EXPECT_NE(text.find("failed\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("success\n"), std::string::npos) << text;
}

TEST_F(Telemetry, ReturnsAtOnceAndGivesUpOnASilentService) {
    environment->Server().SetReply(HttpReply::Never());
    DebugChannelCapture debug;
    RecordUsageEvent(m_config, 27, UsageEventText(27), QString());
    // The service holds every request without an answer, so the transfer ends only when the
    // client gives up and writes its outcome; a call that waited for it would come back with
    // that outcome already written.
    const std::string atReturn = debug.Text();
    EXPECT_EQ(atReturn.find("failed\n"), std::string::npos) << atReturn;
    EXPECT_EQ(atReturn.find("success\n"), std::string::npos) << atReturn;
    EXPECT_EQ(NextRequest().target, "/api/addEventLog.json");
    const std::string text = debug.WaitFor("failed\n", std::chrono::seconds(15));
    EXPECT_NE(text.find("failed\n"), std::string::npos) << text;
}

TEST(TelemetryMac, IsSixUpperCaseHexBytesOrEmpty) {
    const QString mac = platform::FirstAdapterMac();
    EXPECT_TRUE(
        mac.isEmpty() ||
        QRegularExpression(QStringLiteral("^([0-9A-F]{2}-){5}[0-9A-F]{2}$")).match(mac).hasMatch())
        << mac.toStdString();
}

} // namespace
