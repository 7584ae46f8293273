#include "records/CRecordCalls.h"
#include "records/RecordMessages.h"

#include "support/LocalHttpServer.h"

#include <gtest/gtest.h>
#include <json/reader.h>

#include <QTemporaryDir>

#include <curl/curl.h>

#include <chrono>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <thread>

namespace {

using testsupport::HttpReply;
using testsupport::HttpRequest;
using testsupport::LocalHttpServer;
using namespace std::chrono_literals;

const bool kCurlReady = curl_global_init(CURL_GLOBAL_ALL) == 0;
constexpr auto kGenerous = 30s;

std::string Ok(const std::string& data = "null") {
    return R"({"rc":"0","msg":"ok","data":)" + data + "}";
}

// The records the calls read and write, and the messages they post, as a test sees them.
struct Recorded {
    std::mutex lock;
    std::condition_variable changed;
    std::vector<std::pair<unsigned, uintptr_t>> messages;
    std::vector<RecordItem> server;
    std::vector<RecordItem> local;
    int serverReplacements = 0;

    bool WaitForMessages(size_t count) {
        std::unique_lock<std::mutex> guard(lock);
        return changed.wait_for(guard, kGenerous, [&] { return messages.size() >= count; });
    }
    std::vector<std::pair<unsigned, uintptr_t>> Messages() {
        std::lock_guard<std::mutex> guard(lock);
        return messages;
    }
};

// Lives as long as a worker holds the calls' links: expires once every worker is done.
struct Sentinel {};

class RecordCallsTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(kCurlReady); }

    std::unique_ptr<CRecordCalls> MakeCalls(const std::string& base,
                                            CHttpClient::UploadLimits limits = {}) {
        auto sentinel = std::make_shared<Sentinel>();
        m_sentinel = sentinel;
        CRecordCalls::Links links;
        links.post = [rec = m_recorded, sentinel](unsigned msg, uintptr_t wParam) {
            std::lock_guard<std::mutex> guard(rec->lock);
            rec->messages.emplace_back(msg, wParam);
            rec->changed.notify_all();
            return true;
        };
        links.replaceServerRecords = [rec = m_recorded](std::vector<RecordItem> records) {
            std::lock_guard<std::mutex> guard(rec->lock);
            rec->server = std::move(records);
            ++rec->serverReplacements;
        };
        links.localRecord = [rec = m_recorded](int index) -> std::optional<RecordItem> {
            std::lock_guard<std::mutex> guard(rec->lock);
            if (index < 0 || index >= static_cast<int>(rec->local.size()))
                return std::nullopt;
            return rec->local[static_cast<size_t>(index)];
        };
        links.setLocalRecord = [rec = m_recorded](int index, const RecordItem& record) {
            std::lock_guard<std::mutex> guard(rec->lock);
            if (index < 0 || index >= static_cast<int>(rec->local.size()))
                return false;
            rec->local[static_cast<size_t>(index)] = record;
            return true;
        };
        links.uploadLimits = limits;
        return std::make_unique<CRecordCalls>(base, std::move(links));
    }

    // Destroys the calls and waits until no worker holds their links any more, so that what a
    // late worker would do has been done.
    void FinishWorkers(std::unique_ptr<CRecordCalls>& calls) {
        calls.reset();
        const auto deadline = std::chrono::steady_clock::now() + kGenerous;
        while (!m_sentinel.expired() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::yield();
        ASSERT_TRUE(m_sentinel.expired()) << "a worker never ended";
    }

    // A local record with its WAV and transcript on disk.
    RecordItem AddLocalRecord(const std::string& transcript, size_t wavBytes) {
        RecordItem record;
        record.filename = "REC001.wav";
        record.wavPath = m_dir.filePath(QStringLiteral("REC001.wav")).toStdString();
        record.attr1 = record.wavPath;
        record.txtPath = m_dir.filePath(QStringLiteral("REC001.txt")).toStdString();
        record.recognitionLanguage = "zh_cn";
        std::ofstream(record.txtPath, std::ios::binary) << transcript;
        std::ofstream wav(record.wavPath, std::ios::binary);
        std::string header = "RIFF....WAVEfmt ";
        const unsigned char format[] = {16, 0, 0, 0,    1, 0, 1, 0, 0x80, 0x3E,
                                        0,  0, 0, 0x7D, 0, 0, 2, 0, 16,   0};
        header.append(reinterpret_cast<const char*>(format), sizeof(format));
        const std::uint32_t data = static_cast<std::uint32_t>(wavBytes - 44);
        header += "data";
        for (int i = 0; i < 4; ++i)
            header += static_cast<char>((data >> (8 * i)) & 0xFF);
        wav << header;
        for (size_t i = 0; i < data; ++i)
            wav.put(static_cast<char>(i * 7));
        std::lock_guard<std::mutex> guard(m_recorded->lock);
        m_recorded->local.push_back(record);
        return record;
    }

    std::shared_ptr<Recorded> m_recorded = std::make_shared<Recorded>();
    std::weak_ptr<Sentinel> m_sentinel;
    QTemporaryDir m_dir;
};

Json::Value ParseJson(const std::string& text) {
    Json::Value value;
    std::string errors;
    Json::CharReaderBuilder builder;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    reader->parse(text.data(), text.data() + text.size(), &value, &errors);
    return value;
}

struct FormPart {
    std::string name;
    std::string fileName;
    bool hasFileName = false;
    std::string contentType;
    std::string data;
};

// The parts of a multipart/form-data body, in order.
std::vector<FormPart> ParseMultipart(const HttpRequest& request) {
    const std::string type = request.Header("Content-Type");
    const size_t at = type.find("boundary=");
    if (at == std::string::npos)
        return {};
    const std::string boundary = "--" + type.substr(at + 9);
    std::vector<FormPart> parts;
    const std::string& body = request.body;
    size_t pos = body.find(boundary);
    while (pos != std::string::npos) {
        pos += boundary.size();
        if (body.compare(pos, 2, "--") == 0)
            break;
        pos += 2; // CRLF
        const size_t headEnd = body.find("\r\n\r\n", pos);
        const size_t next = body.find("\r\n" + boundary, headEnd);
        if (headEnd == std::string::npos || next == std::string::npos)
            break;
        const std::string head = body.substr(pos, headEnd - pos);
        FormPart part;
        auto quoted = [&](const std::string& key) -> std::optional<std::string> {
            const size_t k = head.find(key + "=\"");
            if (k == std::string::npos)
                return std::nullopt;
            const size_t start = k + key.size() + 2;
            return head.substr(start, head.find('"', start) - start);
        };
        part.name = quoted("name").value_or("");
        if (auto fileName = quoted("filename")) {
            part.hasFileName = true;
            part.fileName = *fileName;
        }
        if (const size_t ct = head.find("Content-Type: "); ct != std::string::npos)
            part.contentType = head.substr(ct + 14, head.find("\r\n", ct) - ct - 14);
        part.data = body.substr(headEnd + 4, next - headEnd - 4);
        parts.push_back(part);
        pos = next + 2;
    }
    return parts;
}

TEST_F(RecordCallsTest, FetchAsksForTheUsersRecordsAndReplacesTheList) {
    LocalHttpServer server(
        HttpReply(200, Ok(R"([{"id":5,"filename":"a.wav","filepath":"/srv/REC001.wav",
                    "recognitionLanguage":"en_us","content":"hi"}, 3, {"id":"x"}])")));
    auto calls = MakeCalls(server.Origin());
    calls->StartFetch(42);
    ASSERT_TRUE(m_recorded->WaitForMessages(1));
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].target, "/api/getRecords.json?userid=42");
    EXPECT_EQ(m_recorded->Messages()[0].first, recmsg::kServerRecordsReplaced);
    std::lock_guard<std::mutex> guard(m_recorded->lock);
    ASSERT_EQ(m_recorded->server.size(), 2u); // the number is skipped
    EXPECT_EQ(m_recorded->server[0].id, 5);
    EXPECT_EQ(m_recorded->server[0].recognitionLanguage, "en_us");
    EXPECT_EQ(m_recorded->server[1].id, 0);
    EXPECT_EQ(m_recorded->server[1].filename, "");
}

struct FailedFetch {
    const char* name;
    int status;
    const char* body;
};

class FetchFailure : public RecordCallsTest, public testing::WithParamInterface<FailedFetch> {};

TEST_P(FetchFailure, LeavesTheRecordsAndPostsNothing) {
    LocalHttpServer server(HttpReply(GetParam().status, GetParam().body));
    auto calls = MakeCalls(server.Origin());
    calls->StartFetch(42);
    ASSERT_TRUE(server.WaitForRequests(1, kGenerous));
    FinishWorkers(calls);
    EXPECT_TRUE(m_recorded->Messages().empty());
    EXPECT_EQ(m_recorded->serverReplacements, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, FetchFailure,
    testing::Values(FailedFetch{"status_500", 500, R"({"rc":"0","data":[]})"},
                    FailedFetch{"not_json", 200, "<html>"}, FailedFetch{"empty_body", 200, ""},
                    FailedFetch{"refused", 200, R"({"rc":"3","msg":"no","data":[]})"},
                    FailedFetch{"no_rc", 200, R"({"data":[]})"},
                    FailedFetch{"data_not_array", 200, R"({"rc":"0","data":{"id":1}})"}),
    [](const testing::TestParamInfo<FailedFetch>& info) { return info.param.name; });

TEST_F(RecordCallsTest, NumberZeroRcCountsAsSuccess) {
    LocalHttpServer server(HttpReply(200, R"({"rc":0,"data":[]})"));
    auto calls = MakeCalls(server.Origin());
    calls->StartFetch(1);
    ASSERT_TRUE(m_recorded->WaitForMessages(1));
    EXPECT_EQ(m_recorded->serverReplacements, 1);
}

TEST_F(RecordCallsTest, EditPostsTheEncodedFormAndReportsTheChange) {
    LocalHttpServer server(HttpReply(200, Ok()));
    auto calls = MakeCalls(server.Origin());
    RecordItem record;
    record.id = 17;
    record.content = "a&b=c";
    record.filename = "new title.wav";
    calls->StartEdit(record);
    ASSERT_TRUE(m_recorded->WaitForMessages(1));
    EXPECT_EQ(m_recorded->Messages()[0].first, recmsg::kServerRecordEdited);
    const HttpRequest request = server.Requests().at(0);
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.target, "/api/editiorAddRecord.json");
    EXPECT_NE(request.body.find("id=17&content=a%26b%3Dc&"), std::string::npos) << request.body;
    EXPECT_NE(request.body.find("&filename=new+title.wav&"), std::string::npos);
    EXPECT_NE(request.body.find("&type=2&"), std::string::npos);
}

TEST_F(RecordCallsTest, DeleteSendsTheIdAndNeverARecordWithoutOne) {
    LocalHttpServer server(HttpReply(200, Ok()));
    auto calls = MakeCalls(server.Origin());
    EXPECT_FALSE(calls->StartDelete(0));
    EXPECT_FALSE(calls->StartDelete(-4));
    EXPECT_TRUE(calls->StartDelete(7));
    ASSERT_TRUE(m_recorded->WaitForMessages(1));
    EXPECT_EQ(m_recorded->Messages()[0].first, recmsg::kServerRecordDeleted);
    EXPECT_EQ(server.Targets(), std::vector<std::string>{"/api/deleteRecord.json?id=7"});
}

TEST_F(RecordCallsTest, RefusedEditOrDeletePostsNothing) {
    LocalHttpServer server(HttpReply(200, R"({"rc":"9","msg":"denied"})"));
    auto calls = MakeCalls(server.Origin());
    calls->StartEdit(RecordItem());
    calls->StartDelete(3);
    ASSERT_TRUE(server.WaitForRequests(2, kGenerous));
    FinishWorkers(calls);
    EXPECT_TRUE(m_recorded->Messages().empty());
}

TEST_F(RecordCallsTest, SaveSendsTheTranscriptThenUploadsTheWavInOrder) {
    const std::string transcript = "\xE4\xBD\xA0\xE5\xA5\xBD world\nsecond line";
    const RecordItem local = AddLocalRecord(transcript, 44 + 32000 * 2 + 100);
    LocalHttpServer server(HttpReply(200, Ok()));
    // The service answers the save with its record; "content" is left out on purpose.
    server.SetRoute("/api/editiorSaveRecord",
                    HttpReply(200, Ok(R"({"id":88,"filepath":"/srv/REC001.wav","userid":42,
                                          "recognitionLanguage":"zh_cn"})")));
    auto calls = MakeCalls(server.Origin());
    calls->StartSaveAndUpload(0, 42);
    ASSERT_TRUE(m_recorded->WaitForMessages(1));
    EXPECT_EQ(m_recorded->Messages()[0], std::make_pair(recmsg::kUploadDone, uintptr_t{0}));

    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    const Json::Value saved = ParseJson(requests[0].body);
    EXPECT_EQ(requests[0].target, "/api/editiorSaveRecord");
    EXPECT_EQ(requests[0].Header("Content-Type"), "application/json;charset=UTF-8");
    EXPECT_EQ(saved["content"].asString(), transcript);
    EXPECT_EQ(saved["duration"].asString(), "2");
    EXPECT_EQ(saved["userid"].asString(), "42");
    EXPECT_EQ(saved["filename"].asString(), "REC001.wav");
    EXPECT_EQ(saved["type"].asString(), "2");
    EXPECT_EQ(saved["recordTime"].asString().size(), 19u);

    const HttpRequest& upload = requests[1];
    EXPECT_EQ(upload.target, "/api/recordUpload.json");
    EXPECT_FALSE(upload.HasHeader("Transfer-Encoding"));
    EXPECT_EQ(upload.Header("Content-Length"), std::to_string(upload.body.size()));
    const std::vector<FormPart> parts = ParseMultipart(upload);
    std::vector<std::string> names;
    for (const FormPart& part : parts)
        names.push_back(part.name);
    ASSERT_EQ(names, (std::vector<std::string>{"content", "id", "userid", "productname", "name",
                                               "bytepcm", "channalname", "times", "filepath"}));
    EXPECT_EQ(parts[0].data, transcript); // kept although the reply left it out
    EXPECT_EQ(parts[1].data, "88");
    EXPECT_EQ(parts[2].data, "42");
    EXPECT_EQ(parts[4].data, "REC001.wav");
    EXPECT_TRUE(parts[5].hasFileName);
    EXPECT_EQ(parts[5].fileName, "REC001.wav");
    EXPECT_EQ(parts[5].contentType, "application/octet-stream");
    std::ifstream wav(local.wavPath, std::ios::binary);
    const std::string wavBytes((std::istreambuf_iterator<char>(wav)), {});
    EXPECT_EQ(parts[5].data, wavBytes);
    EXPECT_EQ(parts[7].data, "5");
    EXPECT_EQ(parts[8].data, local.wavPath);
    for (size_t i : {0u, 1u, 2u, 3u, 4u, 6u, 7u, 8u})
        EXPECT_FALSE(parts[i].hasFileName) << parts[i].name;

    // The local record took the service's fields and kept its transcript.
    std::lock_guard<std::mutex> guard(m_recorded->lock);
    EXPECT_EQ(m_recorded->local[0].id, 88);
    EXPECT_EQ(m_recorded->local[0].filepath, "/srv/REC001.wav");
    EXPECT_EQ(m_recorded->local[0].content, transcript);
    EXPECT_EQ(m_recorded->local[0].wavPath, local.wavPath);
}

struct FailedSave {
    const char* name;
    int status;
    const char* body;
};

class SaveFailure : public RecordCallsTest, public testing::WithParamInterface<FailedSave> {};

TEST_P(SaveFailure, EndsTheChainWithoutAnUpload) {
    AddLocalRecord("text", 1000);
    LocalHttpServer server(HttpReply(GetParam().status, GetParam().body));
    auto calls = MakeCalls(server.Origin());
    calls->StartSaveAndUpload(0, 42);
    ASSERT_TRUE(m_recorded->WaitForMessages(1));
    FinishWorkers(calls);
    EXPECT_EQ(m_recorded->Messages(),
              (std::vector<std::pair<unsigned, uintptr_t>>{{recmsg::kSaveFailed, 0}}));
    EXPECT_EQ(server.Targets(), std::vector<std::string>{"/api/editiorSaveRecord"});
    std::lock_guard<std::mutex> guard(m_recorded->lock);
    EXPECT_EQ(m_recorded->local[0].id, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, SaveFailure,
    testing::Values(FailedSave{"status_404", 404, "{}"},
                    FailedSave{"refused", 200, R"({"rc":"1","msg":"full","data":{"id":3}})"},
                    FailedSave{"no_data", 200, R"({"rc":"0","msg":"ok"})"},
                    FailedSave{"data_not_object", 200, R"({"rc":"0","data":[{"id":3}]})"},
                    FailedSave{"not_json", 200, "saved!"}),
    [](const testing::TestParamInfo<FailedSave>& info) { return info.param.name; });

TEST_F(RecordCallsTest, AWavGoneBeforeTheUploadFailsIt) {
    const RecordItem local = AddLocalRecord("text", 1000);
    std::remove(local.wavPath.c_str());
    LocalHttpServer server(HttpReply(200, Ok(R"({"id":5})")));
    auto calls = MakeCalls(server.Origin());
    calls->StartSaveAndUpload(0, 42);
    ASSERT_TRUE(m_recorded->WaitForMessages(1));
    EXPECT_EQ(m_recorded->Messages()[0].first, recmsg::kUploadFailed);
    EXPECT_EQ(server.Targets(), std::vector<std::string>{"/api/editiorSaveRecord"});
}

TEST_F(RecordCallsTest, RefusedUploadFailsIt) {
    AddLocalRecord("text", 1000);
    LocalHttpServer server(HttpReply(200, Ok(R"({"id":5})")));
    server.SetRoute("/api/recordUpload.json", HttpReply(200, R"({"rc":"2","msg":"too big"})"));
    auto calls = MakeCalls(server.Origin());
    calls->StartSaveAndUpload(0, 42);
    ASSERT_TRUE(m_recorded->WaitForMessages(1));
    EXPECT_EQ(m_recorded->Messages()[0].first, recmsg::kUploadFailed);
}

TEST_F(RecordCallsTest, AStalledUploadIsGivenUp) {
    AddLocalRecord("text", 1000);
    LocalHttpServer server(HttpReply(200, Ok(R"({"id":5})")));
    server.SetRoute("/api/recordUpload.json", HttpReply::Never());
    // A one-second stall stands for the minute the program allows.
    auto calls = MakeCalls(server.Origin(), CHttpClient::UploadLimits{1, 1});
    calls->StartSaveAndUpload(0, 42);
    ASSERT_TRUE(m_recorded->WaitForMessages(1));
    EXPECT_EQ(m_recorded->Messages()[0].first, recmsg::kUploadFailed);
}

TEST_F(RecordCallsTest, RepliesAfterAbandoningChangeNothing) {
    AddLocalRecord("text", 1000);
    LocalHttpServer server(HttpReply(200, Ok(R"([{"id":1}])")));
    server.SetRoute("/api/editiorSaveRecord", HttpReply(200, Ok(R"({"id":5})")));
    server.HoldReplies(true);
    auto calls = MakeCalls(server.Origin());
    calls->StartFetch(42);
    calls->StartSaveAndUpload(0, 42);
    calls->StartEdit(RecordItem());
    ASSERT_TRUE(calls->StartDelete(4));
    ASSERT_TRUE(server.WaitForRequests(1, kGenerous));
    // Signed out while the replies are on their way.
    calls->AbandonRunning();
    server.HoldReplies(false);
    ASSERT_TRUE(server.WaitForRequests(4, kGenerous));
    FinishWorkers(calls);
    EXPECT_TRUE(m_recorded->Messages().empty());
    EXPECT_EQ(m_recorded->serverReplacements, 0);
    std::lock_guard<std::mutex> guard(m_recorded->lock);
    EXPECT_EQ(m_recorded->local[0].id, 0);
    // No upload followed the abandoned save.
    for (const std::string& target : server.Targets())
        EXPECT_NE(target, "/api/recordUpload.json");
}

TEST_F(RecordCallsTest, CallsStartedAfterAbandoningReportAgain) {
    LocalHttpServer server(HttpReply(200, Ok("[]")));
    auto calls = MakeCalls(server.Origin());
    calls->AbandonRunning();
    calls->StartFetch(42);
    ASSERT_TRUE(m_recorded->WaitForMessages(1));
    EXPECT_EQ(m_recorded->Messages()[0].first, recmsg::kServerRecordsReplaced);
}

} // namespace
