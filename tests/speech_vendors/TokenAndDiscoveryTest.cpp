#include "TestPki.h"
#include "speech/CSgTokenSource.h"
#include "speech/CShServerList.h"
#include "speech/IIatCallBack.h"
#include "speech/SgFrames.h"
#include "support/LocalHttpServer.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using testsupport::HttpReply;
using testsupport::LocalHttpServer;

const char kPath[] = "/apis/auth/v1/create_token";
// Only a hang guard: on a loaded machine a TLS exchange can take longer than the engines' own
// limits, which would turn every outcome into a time-out.
constexpr HttpLimits kHangGuard{30, 30};

CSgTokenSource::Settings TokenSettings(const LocalHttpServer& server) {
    return {server.Origin("localhost") + kPath, "AppId0123456789abcdefghijkl",
            "a2V5+/==", kHangGuard};
}

std::unique_ptr<LocalHttpServer> TrustedServer(HttpReply reply) {
    return std::make_unique<LocalHttpServer>(std::move(reply), SharedPki().trustedCert,
                                             SharedPki().trustedKey);
}

// xxxxxxxx-xxxx-4xxx-Yxxx-xxxxxxxxxxxx in lower-case hexadecimal, Y one of 8, 9, a, b.
bool IsLowerCaseVersion4Uuid(const std::string& id) {
    if (id.size() != 36 || id[14] != '4' || std::string("89ab").find(id[19]) == std::string::npos)
        return false;
    for (std::size_t i = 0; i < id.size(); ++i) {
        const bool hyphen = i == 8 || i == 13 || i == 18 || i == 23;
        if (hyphen != (id[i] == '-'))
            return false;
        if (!hyphen && std::string("0123456789abcdef").find(id[i]) == std::string::npos)
            return false;
    }
    return true;
}

TEST(SgTokenTest, InstallationIdIsOneLowerCaseVersion4Uuid) {
    const std::string id = CSgTokenSource::InstallationId();
    EXPECT_TRUE(IsLowerCaseVersion4Uuid(id)) << id;
    EXPECT_EQ(CSgTokenSource::InstallationId(), id);
}

TEST(SgTokenTest, PostsTheBodyOverVerifiedTlsAndKeepsTheToken) {
    auto server = TrustedServer(HttpReply(200, R"({"token":"tok-1"})"));
    CSgTokenSource source(TokenSettings(*server));
    enginereport::Failure failure;
    const std::optional<std::string> token = source.Fresh(failure);
    ASSERT_TRUE(token.has_value());
    EXPECT_EQ(*token, "tok-1");
    ASSERT_EQ(server->Requests().size(), 1u);
    const auto request = server->Requests()[0];
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.target, kPath);
    EXPECT_EQ(request.Header("Content-Type"), "application/json;charset=UTF-8");
    EXPECT_EQ(request.body, BuildSgTokenBody("AppId0123456789abcdefghijkl",
                                             "a2V5+/==", CSgTokenSource::InstallationId()));
    // A young token is kept; a forgotten one is asked for again.
    EXPECT_EQ(source.Fresh(failure), std::optional<std::string>("tok-1"));
    EXPECT_EQ(server->Requests().size(), 1u);
    source.Forget();
    EXPECT_TRUE(source.Fresh(failure).has_value());
    EXPECT_EQ(server->Requests().size(), 2u);
}

struct TokenFailureRow {
    int status;
    const char* body;
    int reason;
    int reportedStatus;
};

class SgTokenFailureTest : public testing::TestWithParam<TokenFailureRow> {};

TEST_P(SgTokenFailureTest, RefusalsAndOtherFailuresAreTold) {
    auto server = TrustedServer(HttpReply(GetParam().status, GetParam().body));
    CSgTokenSource source(TokenSettings(*server));
    enginereport::Failure failure;
    EXPECT_FALSE(source.Fresh(failure).has_value());
    EXPECT_EQ(failure.reason, GetParam().reason);
    EXPECT_EQ(failure.status, GetParam().reportedStatus);
    EXPECT_EQ(failure.step, QStringLiteral("token request"));
}

INSTANTIATE_TEST_SUITE_P(
    Replies, SgTokenFailureTest,
    testing::Values(TokenFailureRow{401, "", IIatCallBack::kFailureRefused, 401},
                    TokenFailureRow{403, R"({"token":"x"})", IIatCallBack::kFailureRefused, 403},
                    TokenFailureRow{200, "", IIatCallBack::kFailureRefused, 200},
                    TokenFailureRow{200, "<html>", IIatCallBack::kFailureRefused, 200},
                    TokenFailureRow{200, R"({"token":12})", IIatCallBack::kFailureRefused, 200},
                    TokenFailureRow{500, "", IIatCallBack::kFailureUnreachable, 500},
                    TokenFailureRow{404, "", IIatCallBack::kFailureUnreachable, 404}));

TEST(SgTokenTest, AnUntrustedCertificateIsUnreachable) {
    LocalHttpServer server(HttpReply(200, R"({"token":"t"})"), SharedPki().strangerCert,
                           SharedPki().strangerKey);
    CSgTokenSource source(TokenSettings(server));
    enginereport::Failure failure;
    EXPECT_FALSE(source.Fresh(failure).has_value());
    EXPECT_EQ(failure.reason, IIatCallBack::kFailureUnreachable);
    EXPECT_EQ(failure.status, 0);
}

TEST(ShDiscoveryTest, PicksEveryListedServerSometimesAndNothingElse) {
    LocalHttpServer server(HttpReply(200, " a:1 , b:2,,c:3\n"));
    CShServerList servers(server.Origin() + "/websocket", kHangGuard);
    std::set<std::string> picked;
    for (int i = 0; i < 60 && picked.size() < 3; ++i) {
        enginereport::Failure failure;
        ASSERT_TRUE(servers.Discover(failure));
        picked.insert(servers.Address());
    }
    EXPECT_EQ(picked, (std::set<std::string>{"a:1", "b:2", "c:3"}));
    EXPECT_EQ(server.Requests()[0].target, "/websocket");
}

struct DiscoveryFailureRow {
    int status;
    const char* body;
};

class ShDiscoveryFailureTest : public testing::TestWithParam<DiscoveryFailureRow> {};

TEST_P(ShDiscoveryFailureTest, IsUnreachableAndKeepsTheAddress) {
    LocalHttpServer server(HttpReply(200, "kept:1"));
    CShServerList servers(server.Origin() + "/websocket", kHangGuard);
    enginereport::Failure failure;
    ASSERT_TRUE(servers.Discover(failure));
    server.SetReply(HttpReply(GetParam().status, GetParam().body));
    EXPECT_FALSE(servers.Discover(failure));
    EXPECT_EQ(failure.reason, IIatCallBack::kFailureUnreachable);
    EXPECT_EQ(failure.step, QStringLiteral("server discovery"));
    EXPECT_EQ(servers.Address(), "kept:1");
}

INSTANTIATE_TEST_SUITE_P(Replies, ShDiscoveryFailureTest,
                         testing::Values(DiscoveryFailureRow{500, "a:1"},
                                         DiscoveryFailureRow{401, "a:1"},
                                         DiscoveryFailureRow{200, ""},
                                         DiscoveryFailureRow{200, " , "}));

} // namespace
