#include "TransFakes.h"
#include "support/LocalHttpServer.h"

#include "app/CConfig.h"
#include "translate/CRequestPool.h"
#include "translate/CTransCallBackGate.h"
#include "translate/CTransEngine.h"
#include "translate/TransRequests.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <set>
#include <thread>

namespace {

using testsupport::HttpReply;
using testsupport::LocalHttpServer;

constexpr std::chrono::seconds kHangGuard{30};

class TransEngineTest : public testing::Test {
protected:
    TransEngineTest() {
        m_config = std::make_shared<CConfig>(m_home.path());
        m_config->SetTranslateLanguage(QStringLiteral("jp"));
        m_config->SetLpTranslateLanguage(QStringLiteral("kor"));
    }

    std::unique_ptr<CTransEngine> MakeEngine(const LocalHttpServer& server, int deviceKind = 0,
                                             std::set<std::string> voices = {},
                                             std::shared_ptr<CRequestPool> pool = nullptr) {
        Endpoints endpoints;
        endpoints.translate = server.Origin();
        endpoints.tts = server.Origin();
        endpoints.transAppId = "2015063000000001";
        endpoints.transSalt = "1435660288";
        endpoints.transKey = m_key;
        CTransEngine::Context context;
        context.config = m_config;
        context.deviceKind = [deviceKind] { return deviceKind; };
        context.endpoints = endpoints;
        context.makePlayer = [log = m_log] { return std::make_unique<FakePlayer>(log); };
        context.synthesizer = std::make_shared<FakeSynthesizer>(std::move(voices));
        context.pool = std::move(pool);
        return std::make_unique<CTransEngine>(&m_callBack, std::move(context));
    }

    QTemporaryDir m_home;
    std::shared_ptr<CConfig> m_config;
    std::string m_key = "12345678";
    std::shared_ptr<PlayLog> m_log = std::make_shared<PlayLog>();
    RecordingTransCallBack m_callBack;
};

struct TargetCase {
    int deviceKind;
    std::string target;
};

class TransEngineTargetTest : public TransEngineTest,
                              public testing::WithParamInterface<TargetCase> {};

// Catches the wrong half of the paired setting, a target for the third device, or a request
// that differs from the signed address.
TEST_P(TransEngineTargetTest, SendsTheSignedGetForTheDeviceKindsTarget) {
    LocalHttpServer server(
        HttpReply(200, R"({"trans_result":[{"dst":"こんにちは"},{"dst":"世界"}]})"));
    auto engine = MakeEngine(server, GetParam().deviceKind);
    engine->Translate("hello world");
    ASSERT_TRUE(m_callBack.WaitForTranslations(1));
    EXPECT_EQ(m_callBack.Translations().front(), u8"こんにちは世界");
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0].method, "GET");
    EXPECT_EQ(server.Origin() + server.Requests()[0].target,
              transreq::TranslateAddress(server.Origin(), "hello world", GetParam().target,
                                         "2015063000000001", "1435660288", "12345678"));
}

INSTANTIATE_TEST_SUITE_P(Kinds, TransEngineTargetTest,
                         testing::Values(TargetCase{0, "jp"}, TargetCase{1, "kor"},
                                         TargetCase{2, ""}));

class TransEngineFailureTest : public TransEngineTest,
                               public testing::WithParamInterface<HttpReply> {};

// Catches a failed request that never answers or answers with part of a body.
TEST_P(TransEngineFailureTest, AnswersWithAnEmptyTranslation) {
    LocalHttpServer server(GetParam());
    auto engine = MakeEngine(server);
    engine->Translate("hello");
    ASSERT_TRUE(m_callBack.WaitForTranslations(1));
    EXPECT_EQ(m_callBack.Translations().front(), "");
}

INSTANTIATE_TEST_SUITE_P(Replies, TransEngineFailureTest,
                         testing::Values(HttpReply(500, R"({"trans_result":[{"dst":"x"}]})"),
                                         HttpReply(200, "not json"),
                                         HttpReply(200, R"({"error_code":"52003"})"),
                                         HttpReply(200, R"({"trans_result":[{"dst":7}]})"),
                                         HttpReply::Never()));

// Without the key nothing may leave the computer, and the caller still gets its answer.
TEST_F(TransEngineTest, WithoutCredentialsSendsNothingAndAnswersEmpty) {
    LocalHttpServer server(HttpReply(200, R"({"trans_result":[{"dst":"x"}]})"));
    m_key.clear();
    auto engine = MakeEngine(server);
    engine->Translate("hello");
    ASSERT_TRUE(m_callBack.WaitForTranslations(1));
    EXPECT_EQ(m_callBack.Translations().front(), "");
    EXPECT_TRUE(server.Requests().empty());
}

// Catches pieces cut inside characters, a missing tl and a speak end before the last piece.
TEST_F(TransEngineTest, SpeaksEachPieceFetchedWithItsSpeechCodeThenEnds) {
    LocalHttpServer server(HttpReply(200, "ID3-sound"));
    auto engine = MakeEngine(server);
    std::string text;
    for (int i = 0; i < 40; ++i)
        text += u8"語"; // 120 bytes: two pieces, cut between characters
    engine->Speak(text);
    ASSERT_TRUE(m_callBack.WaitForSpeakEnds(1));
    const auto requests = server.Requests();
    const auto pieces = transreq::SpeechPieces(text);
    ASSERT_EQ(requests.size(), pieces.size());
    for (std::size_t i = 0; i < pieces.size(); ++i)
        EXPECT_EQ(server.Origin() + requests[i].target,
                  transreq::SpeechAddress(server.Origin(), pieces[i], "ja"));
    std::lock_guard<std::mutex> guard(m_log->lock);
    ASSERT_EQ(m_log->played.size(), pieces.size());
    for (const auto& played : m_log->played) {
        EXPECT_EQ(played.bytes, "ID3-sound");
        EXPECT_EQ(played.origin, "service");
    }
}

struct OfflineCase {
    const char* name;
    HttpReply reply;
    std::set<std::string> voices;
    bool spokenLocally;
};

class TransEngineOfflineTest : public TransEngineTest,
                               public testing::WithParamInterface<OfflineCase> {};

// Catches a failed fetch played as is, a missing fallback, or a speak end that never comes.
TEST_P(TransEngineOfflineTest, FailedFetchIsSpokenLocallyOrSkipped) {
    LocalHttpServer server(GetParam().reply);
    auto engine = MakeEngine(server, 0, GetParam().voices);
    engine->Speak("hello");
    ASSERT_TRUE(m_callBack.WaitForSpeakEnds(1));
    std::lock_guard<std::mutex> guard(m_log->lock);
    if (!GetParam().spokenLocally) {
        EXPECT_TRUE(m_log->played.empty());
        return;
    }
    ASSERT_EQ(m_log->played.size(), 1u);
    EXPECT_EQ(m_log->played[0].origin, "local");
    EXPECT_EQ(m_log->played[0].voice, "voice-ja");
    EXPECT_EQ(m_log->played[0].bytes, "hello");
}

INSTANTIATE_TEST_SUITE_P(Failures, TransEngineOfflineTest,
                         testing::Values(OfflineCase{"status", HttpReply(503, "ID3"), {"ja"}, true},
                                         OfflineCase{"emptyBody", HttpReply(200, ""), {"ja"}, true},
                                         OfflineCase{"noVoice", HttpReply(404, ""), {}, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// The gate is what keeps a late answer from reaching a window that is gone.
TEST(TransCallBackGateTest, NothingPassesOnceClosed) {
    RecordingTransCallBack owner;
    CTransCallBackGate gate(&owner);
    gate.OnTranslated("before");
    gate.Close();
    gate.OnTranslated("after");
    gate.OnSpeakEnd();
    ASSERT_TRUE(owner.WaitForTranslations(1));
    EXPECT_EQ(owner.Translations(), std::vector<std::string>{"before"});
}

// An engine destroyed while its request is out must drop the answer without touching it.
TEST_F(TransEngineTest, AnswerForADestroyedEngineIsDropped) {
    LocalHttpServer server(HttpReply(200, R"({"trans_result":[{"dst":"late"}]})"));
    server.HoldReplies(true);
    auto pool = CRequestPool::Create({});
    auto engine = MakeEngine(server, 0, {}, pool);
    engine->Translate("one");
    ASSERT_TRUE(server.WaitForRequests(1, kHangGuard));
    engine.reset();
    server.HoldReplies(false);
    // The request's worker waits for work again once the answer has been dealt with.
    const auto deadline = std::chrono::steady_clock::now() + kHangGuard;
    while (pool->IdleWorkers() < 1 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_EQ(pool->IdleWorkers(), 1u);
    EXPECT_TRUE(m_callBack.Translations().empty());
}

} // namespace
