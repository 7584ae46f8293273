#include "service/CHttpClient.h"
#include "service/ServiceReply.h"

#include "TestPki.h"
#include "support/LocalHttpServer.h"

#include <gtest/gtest.h>

#include <curl/curl.h>

#include <chrono>
#include <functional>
#include <thread>

using testsupport::HttpReply;
using testsupport::HttpRequest;
using testsupport::LocalHttpServer;

namespace {

using Call = std::function<CHttpClient::Result(const std::string& url)>;

HttpRequest OnlyRequest(LocalHttpServer& server) {
    EXPECT_TRUE(server.WaitForRequests(1, std::chrono::seconds(5)));
    const std::vector<HttpRequest> requests = server.Requests();
    EXPECT_EQ(requests.size(), 1u);
    return requests.empty() ? HttpRequest() : requests.front();
}

struct SimpleOperation {
    const char* name;
    Call call;
    const char* method;
    std::string body;
    const char* contentType; // nullptr: no Content-Type header at all
};

TEST(HttpClient, SendsEachSimpleOperationAsDescribed) {
    const std::string form = "eventTypeId=3&eventInfo=\xE8\xBD\xAF\xE4\xBB\xB6&eventInfo1=";
    const std::string json = "{\"appid\":\"a\",\"exp\":\"3600s\"}";
    const SimpleOperation operations[] = {
        {"Get", [](const std::string& url) { return CHttpClient::Get(url); }, "GET", "", nullptr},
        {"PostForm", [&](const std::string& url) { return CHttpClient::PostForm(url, form); },
         "POST", form, "application/x-www-form-urlencoded"},
        {"PostJson", [&](const std::string& url) { return CHttpClient::PostJson(url, json); },
         "POST", json, "application/json;charset=UTF-8"},
    };
    for (const SimpleOperation& op : operations) {
        SCOPED_TRACE(op.name);
        LocalHttpServer server(HttpReply(200, "{\"rc\":0}"));
        const auto result =
            op.call(server.Origin() + "/api/showCountryCodeList.json?q=\xE5\xA4\xA9&n=1");
        EXPECT_TRUE(result.first);
        EXPECT_EQ(result.second, "{\"rc\":0}");

        const HttpRequest request = OnlyRequest(server);
        EXPECT_EQ(request.method, op.method);
        EXPECT_EQ(request.target, "/api/showCountryCodeList.json?q=\xE5\xA4\xA9&n=1");
        EXPECT_EQ(request.body, op.body);
        EXPECT_FALSE(request.HasHeader("User-Agent"));
        EXPECT_FALSE(request.HasHeader("Expect"));
        EXPECT_EQ(request.HasHeader("Content-Type"), op.contentType != nullptr);
        if (op.contentType) {
            EXPECT_EQ(request.Header("Content-Type"), op.contentType);
        }
    }
}

TEST(HttpClient, SendsMultipartFieldsAndFileBytesWithItsHeaders) {
    LocalHttpServer server(HttpReply(200, "{\"rc\":\"0\"}"));
    const std::string fileBytes("RIFF\0\x01\xFF\r\n--x", 13);
    std::vector<CHttpClient::MultipartPart> parts(2);
    parts[0].name = "title";
    parts[0].value = "\xE4\xBC\x9A\xE8\xAE\xAE"; // UTF-8 text passes unchanged
    parts[1].name = "file";
    parts[1].isFile = true;
    parts[1].fileName = "20240501.wav";
    parts[1].bytes = fileBytes;

    const auto result =
        CHttpClient::PostMultipart(server.Origin() + "/api/recordUpload.json", parts);
    ASSERT_TRUE(result.first);

    const HttpRequest request = OnlyRequest(server);
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.target, "/api/recordUpload.json");
    EXPECT_FALSE(request.HasHeader("Expect"));
    EXPECT_FALSE(request.HasHeader("User-Agent"));
    EXPECT_EQ(request.Header("Charset"), "UTF-8");
    const std::string contentType = request.Header("Content-Type");
    const std::string prefix = "multipart/form-data; boundary=";
    ASSERT_EQ(contentType.compare(0, prefix.size(), prefix), 0) << contentType;
    const std::string boundary = contentType.substr(prefix.size());
    EXPECT_EQ(request.body, "--" + boundary +
                                "\r\nContent-Disposition: form-data; name=\"title\"\r\n\r\n" +
                                parts[0].value + "\r\n--" + boundary +
                                "\r\nContent-Disposition: form-data; name=\"file\"; "
                                "filename=\"20240501.wav\"\r\n"
                                "Content-Type: application/octet-stream\r\n\r\n" +
                                fileBytes + "\r\n--" + boundary + "--\r\n");
}

TEST(HttpClient, SucceedsOnlyOnStatus200AndNeverFollowsRedirects) {
    const struct {
        int status;
        bool success;
    } cases[] = {{200, true}, {201, false}, {204, false}, {302, false}, {404, false}, {500, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.status);
        LocalHttpServer server(HttpReply(c.status, "body", "Location: /elsewhere\r\n"));
        const auto result = CHttpClient::PostForm(server.Origin() + "/api/freeback.json", "a=1");
        EXPECT_EQ(result.first, c.success);
        EXPECT_TRUE(server.WaitForRequests(1, std::chrono::seconds(5)));
        EXPECT_EQ(server.Requests().size(), 1u);
    }
}

TEST(HttpClient, Status200WithANonJsonBodySucceedsButDoesNotParse) {
    for (const std::string body : {"", "<html>busy</html>", "{\"rc\":"}) {
        SCOPED_TRACE(body);
        LocalHttpServer server(HttpReply(200, body));
        const auto result = CHttpClient::Get(server.Origin() + "/api/getRecords.json?userid=7");
        ASSERT_TRUE(result.first);
        EXPECT_EQ(result.second, body);
        const ServiceReply reply = ServiceReply::Parse(result.second);
        EXPECT_FALSE(reply.parsed);
        EXPECT_FALSE(reply.ok);
    }
}

TEST(HttpClient, GivesUpOnASilentServerWithinItsTotalLimit) {
    LocalHttpServer server(HttpReply::Never());
    const auto started = std::chrono::steady_clock::now();
    const auto result =
        CHttpClient::PostForm(server.Origin() + "/api/addEventLog.json", "a=1", {1, 1});
    EXPECT_FALSE(result.first);
    EXPECT_TRUE(server.WaitForRequests(1, std::chrono::seconds(5)));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(15));
}

TEST(HttpClient, FailsWithoutAServerOrForAddressesThatAreNotHttp) {
    int closedPort;
    {
        LocalHttpServer gone;
        closedPort = gone.Port();
    }
    const std::string urls[] = {
        "http://127.0.0.1:" + std::to_string(closedPort) + "/api/addDeviceInfo.json",
        "file:///etc/hostname",
        "not an address",
        "",
    };
    for (const std::string& url : urls) {
        SCOPED_TRACE(url);
        EXPECT_FALSE(CHttpClient::Get(url).first);
        EXPECT_FALSE(CHttpClient::PostJson(url, "{}").first);
    }
}

struct TlsCase {
    const char* name;
    bool strangerCert;
    const char* host;
    bool success;
};

TEST(HttpClient, VerifiesTlsPeersAgainstTheExtraCaFileAndTheHostName) {
    const TestPki& pki = SharedPki();
    ASSERT_FALSE(pki.directory.empty());
    const TlsCase cases[] = {
        {"issued by the configured CA", false, "localhost", true},
        {"issued by an unknown CA", true, "localhost", false},
        {"certificate for another host", false, "127.0.0.1", false},
    };
    for (const TlsCase& c : cases) {
        SCOPED_TRACE(c.name);
        LocalHttpServer server(HttpReply(200, "{\"token\":\"t\"}"),
                               c.strangerCert ? pki.strangerCert : pki.trustedCert,
                               c.strangerCert ? pki.strangerKey : pki.trustedKey);
        const auto result = CHttpClient::PostJson(
            server.Origin(c.host) + "/apis/auth/v1/create_token", "{\"appid\":\"a\"}");
        EXPECT_EQ(result.first, c.success);
        EXPECT_EQ(server.Requests().size(), c.success ? 1u : 0u);
        if (c.success) {
            EXPECT_EQ(result.second, "{\"token\":\"t\"}");
        }
    }
}

// In a child process: StopAllTransfers closes HTTP for the rest of the process.
int StopWhileAServerIsSilent() {
    LocalHttpServer server(HttpReply::Never());
    CHttpClient::Result inFlight{true, std::string()};
    std::thread worker([&] {
        inFlight = CHttpClient::PostForm(server.Origin() + "/api/addEventLog.json", "a=1", {2, 60});
    });
    if (!server.WaitForRequests(1, std::chrono::seconds(30)))
        return 1;
    if (!CHttpClient::StopAllTransfers(std::chrono::seconds(30)))
        return 2; // the transfer kept libcurl busy: global clean-up would pull it from under it
    curl_global_cleanup();
    worker.join();
    if (inFlight.first)
        return 3;
    if (CHttpClient::Get(server.Origin() + "/later").first || server.Requests().size() != 1)
        return 4; // a call after the stop reached libcurl
    return 0;
}

// Fault caught: shutdown ran curl_global_cleanup while a telemetry thread was inside a slow
// transfer, and the process crashed on its way out.
TEST(HttpClientDeathTest, StoppingCutsRunningTransfersShortAndRefusesLaterOnes) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::exit(StopWhileAServerIsSilent()), ::testing::ExitedWithCode(0), "");
}

} // namespace
