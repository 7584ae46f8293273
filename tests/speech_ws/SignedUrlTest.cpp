#include "speech/XfSignedUrl.h"
#include "speech_ws/TestCrypto.h"

#include <gtest/gtest.h>

namespace {

struct SignedUrlCase {
    const char* base;
    std::time_t when;
    const char* host;
    const char* resource;
    const char* date;
    const char* encodedDate;
};

const char kApiKey[] = "0123456789abcdef0123456789abcdef";
const char kApiSecret[] = "fedcba9876543210fedcba9876543210";

class SignedUrlTable : public ::testing::TestWithParam<SignedUrlCase> {};

TEST_P(SignedUrlTable, SignsHostDateAndRequestLine) {
    const SignedUrlCase& c = GetParam();
    const std::string origin =
        std::string("host: ") + c.host + "\ndate: " + c.date + "\nGET " + c.resource + " HTTP/1.1";
    const std::string authorization =
        std::string("api_key=\"") + kApiKey +
        "\", algorithm=\"hmac-sha256\", headers=\"host date request-line\", signature=\"" +
        ReferenceHmacSha256Base64(kApiSecret, origin) + "\"";
    const std::string expected = std::string(c.base) +
                                 "?authorization=" + ReferenceBase64(authorization) +
                                 "&date=" + c.encodedDate + "&host=" + c.host;

    EXPECT_EQ(BuildSignedUrl(c.base, kApiKey, kApiSecret, c.when), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, SignedUrlTable,
    ::testing::Values(SignedUrlCase{"wss://iat-api.example.com/v2/iat", 1700000000,
                                    "iat-api.example.com", "/v2/iat",
                                    "Tue, 14 Nov 2023 22:13:20 GMT",
                                    "Tue%2C+14+Nov+2023+22%3A13%3A20+GMT"},
                      // The port is not part of the signed host; the query is part of the resource.
                      SignedUrlCase{"wss://127.0.0.1:8443/v2/iat?lang=x", 1709596800, "127.0.0.1",
                                    "/v2/iat?lang=x", "Tue, 05 Mar 2024 00:00:00 GMT",
                                    "Tue%2C+05+Mar+2024+00%3A00%3A00+GMT"},
                      SignedUrlCase{"wss://dictation.example", 951782400, "dictation.example", "/",
                                    "Tue, 29 Feb 2000 00:00:00 GMT",
                                    "Tue%2C+29+Feb+2000+00%3A00%3A00+GMT"}));

} // namespace
