#include "service/Endpoints.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>

namespace {

class EndpointsFile : public testing::Test {
protected:
    QString Write(const std::string& text) {
        const QString path = m_dir.filePath(QStringLiteral("endpoints.ini"));
        std::ofstream(path.toStdString(), std::ios::binary | std::ios::trunc) << text;
        return path;
    }
    static Endpoints BuiltIn() {
        Endpoints e;
        QString error;
        EXPECT_TRUE(LoadEndpoints(QStringLiteral("/nonexistent/endpoints.ini"), e, &error));
        EXPECT_TRUE(error.isEmpty());
        return e;
    }

    QTemporaryDir m_dir;
};

TEST_F(EndpointsFile, BuiltInValuesNeedNoFileAndCarryNoCredentials) {
    const Endpoints e = BuiltIn();
    EXPECT_EQ(e.service.rfind("http://", 0), 0u);
    EXPECT_NE(e.service.back(), '/');
    EXPECT_EQ(e.update.back(), '/');
    EXPECT_EQ(e.xfIat.rfind("wss://", 0), 0u);
    for (const std::string* secret :
         {&e.xfAppId, &e.xfApiKey, &e.xfApiSecret, &e.sgAppId, &e.sgAppKey, &e.shAppKey,
          &e.shSecret, &e.transAppId, &e.transSalt, &e.transKey, &e.semanticEngineId})
        EXPECT_TRUE(secret->empty());
    EXPECT_TRUE(e.caFile.empty());
    EXPECT_FALSE(e.HasXfCredentials());
}

TEST_F(EndpointsFile, FileOverridesTheKeysItNamesAndKeepsTheOthers) {
    const QString path = Write("\xEF\xBB\xBF; deployment values\r\n"
                               "[endpoints]\r\n"
                               "service = http://127.0.0.1:8080/\r\n"
                               "update=http://files.example/velmora\r\n"
                               "xf_iat = wss://127.0.0.1:9443/v2/iat\r\n"
                               "\r\n"
                               "# vendor keys\r\n"
                               "[credentials]\r\n"
                               "xf_appid = 5f00\r\n"
                               "xf_api_key = \"key with = sign\"\r\n"
                               "xf_api_secret=s3cr3t\r\n"
                               "[tls]\r\n"
                               "ca_file = /etc/velmora/ca.pem\r\n");
    Endpoints e;
    QString error;
    ASSERT_TRUE(LoadEndpoints(path, e, &error)) << error.toStdString();
    EXPECT_TRUE(error.isEmpty());
    EXPECT_EQ(e.service, "http://127.0.0.1:8080");
    EXPECT_EQ(e.update, "http://files.example/velmora/");
    EXPECT_EQ(e.xfIat, "wss://127.0.0.1:9443/v2/iat");
    EXPECT_EQ(e.xfAppId, "5f00");
    EXPECT_EQ(e.xfApiKey, "key with = sign");
    EXPECT_EQ(e.xfApiSecret, "s3cr3t");
    EXPECT_EQ(e.caFile, "/etc/velmora/ca.pem");
    EXPECT_TRUE(e.HasXfCredentials());
    EXPECT_EQ(e.web, BuiltIn().web);
    EXPECT_EQ(e.translate, BuiltIn().translate);
}

struct MalformedCase {
    const char* text;
    const char* problem; // part of the error line
};

// Every row hides the secret somewhere a careless message would quote: a key, a section name,
// the part left of an "=" that belongs to the secret itself.
TEST_F(EndpointsFile, MalformedFileFallsBackToBuiltInsAndNamesTheFaultWithoutFileText) {
    const std::string secret = "TOPSECRET-41d8";
    const MalformedCase cases[] = {
        {"[credentials]\nxf_api_secret TOPSECRET-41d8\n",
         "line 2 in [credentials]: neither a [section] nor a key = value line"},
        {"[credentials]\nxf_api_secret TOPSECRET-41d8==\n", "line 2 in [credentials]: unknown key"},
        {"[credentials]\nTOPSECRET-41d8\n", "line 2 in [credentials]: neither"},
        {"xf_api_secret = TOPSECRET-41d8\n", "line 1: key outside of any section"},
        {"[credentials]\nxf_api_secert = TOPSECRET-41d8\n", "line 2 in [credentials]: unknown key"},
        {"[endpoints]\nservice = http://ok.example\n[TOPSECRET-41d8]\nx=y\n",
         "line 3: unknown section"},
        {"[credentials\nxf_api_secret = TOPSECRET-41d8\n", "line 1: section header"},
        {"[endpoints]\nservice = TOPSECRET-41d8\n",
         "line 2 in [endpoints]: value is not an address"},
    };
    for (const MalformedCase& c : cases) {
        SCOPED_TRACE(c.text);
        Endpoints e;
        e.service = "stale";
        QString error;
        EXPECT_FALSE(LoadEndpoints(Write(c.text), e, &error));
        EXPECT_TRUE(error.contains(QString::fromUtf8(c.problem))) << error.toStdString();
        EXPECT_TRUE(error.contains(QStringLiteral("endpoints.ini")));
        EXPECT_FALSE(error.contains(QStringLiteral("TOPSECRET"))) << error.toStdString();
        EXPECT_FALSE(error.contains(QStringLiteral("secert"))) << error.toStdString();
        EXPECT_EQ(e.service, BuiltIn().service);
        EXPECT_TRUE(e.xfApiSecret.empty());
        EXPECT_EQ(error.count(QLatin1Char('\n')), 0);
    }
}

struct SchemeCase {
    const char* line; // in [endpoints]
    bool accepted;
};

TEST_F(EndpointsFile, AddressKeysAcceptOnlyTheirSchemes) {
    const SchemeCase cases[] = {
        {"service = https://api.example", true},
        {"service = HTTP://api.example", true},
        {"service = file:///etc/passwd", false},
        {"update = ftp://files.example/", false},
        {"web = javascript://x", false},
        {"semantic = gopher://semantic.example", false},
        {"translate = ws://api.example", false},
        {"tts = http:///no-host", false},
        {"sg_token = https://127.0.0.1:9443/apis/auth/v1/create_token", true},
        {"sg_token = dict://127.0.0.1:11211/", false},
        {"sh_discovery = ldap://host/websocket", false},
        {"xf_iat = wss://127.0.0.1:9443/v2/iat", true},
        {"xf_iat = https://127.0.0.1:9443/v2/iat", false},
        {"sg_stream = ws://127.0.0.1:9000/stream", true},
        {"sg_stream = file:///tmp/stream", false},
    };
    for (const SchemeCase& c : cases) {
        SCOPED_TRACE(c.line);
        Endpoints e;
        QString error;
        EXPECT_EQ(LoadEndpoints(Write(std::string("[endpoints]\n") + c.line + "\n"), e, &error),
                  c.accepted)
            << error.toStdString();
        if (!c.accepted) {
            EXPECT_TRUE(error.contains(QStringLiteral("not an address"))) << error.toStdString();
        }
    }
}

TEST_F(EndpointsFile, ProcessWideEndpointsComeFromTheProgramHome) {
    // The test environment's endpoints.ini names only the test CA.
    EXPECT_TRUE(GetEndpointsProblem().isEmpty());
    EXPECT_FALSE(GetEndpoints().caFile.empty());
    EXPECT_EQ(GetEndpoints().service, BuiltIn().service);
}

} // namespace
