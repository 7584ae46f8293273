#include "speech/XfSignedUrl.h"

#include "service/UrlEncode.h"
#include "speech/Base64.h"

#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <cstdio>

namespace {

struct AddressParts {
    std::string host;     // without port
    std::string resource; // path with any query, "/" when empty
};

AddressParts SplitAddress(const std::string& address) {
    const std::size_t schemeEnd = address.find("://");
    const std::size_t authorityStart = schemeEnd == std::string::npos ? 0 : schemeEnd + 3;
    const std::size_t authorityEnd = address.find_first_of("/?", authorityStart);
    std::string authority = address.substr(authorityStart, authorityEnd == std::string::npos
                                                               ? std::string::npos
                                                               : authorityEnd - authorityStart);
    const std::size_t userInfoEnd = authority.rfind('@');
    if (userInfoEnd != std::string::npos)
        authority.erase(0, userInfoEnd + 1);

    AddressParts parts;
    if (!authority.empty() && authority.front() == '[') {
        const std::size_t bracket = authority.find(']');
        parts.host = authority.substr(0, bracket == std::string::npos ? bracket : bracket + 1);
    } else {
        parts.host = authority.substr(0, authority.find(':'));
    }
    parts.resource =
        authorityEnd == std::string::npos ? std::string() : address.substr(authorityEnd);
    if (parts.resource.empty() || parts.resource.front() != '/')
        parts.resource.insert(0, "/");
    return parts;
}

std::string HmacSha256Base64(const std::string& key, const std::string& text) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int digestLength = 0;
    if (!HMAC(EVP_sha256(), key.data(), static_cast<int>(key.size()),
              reinterpret_cast<const unsigned char*>(text.data()), text.size(), digest,
              &digestLength))
        return std::string();
    return Base64Encode(digest, digestLength);
}

} // namespace

std::string FormatGmtDate(std::time_t when) {
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::tm utc{};
    if (!gmtime_r(&when, &utc))
        return std::string();
    char text[64];
    std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d GMT", kDays[utc.tm_wday % 7],
                  utc.tm_mday, kMonths[utc.tm_mon % 12], utc.tm_year + 1900, utc.tm_hour,
                  utc.tm_min, utc.tm_sec);
    return text;
}

std::string BuildSignedUrl(const std::string& baseAddress, const std::string& apiKey,
                           const std::string& apiSecret, std::time_t now) {
    const std::string date = FormatGmtDate(now);
    const AddressParts parts = SplitAddress(baseAddress);
    const std::string signatureOrigin = "host: " + parts.host + "\n" + "date: " + date + "\n" +
                                        "GET " + parts.resource + " HTTP/1.1";
    const std::string signature = HmacSha256Base64(apiSecret, signatureOrigin);
    const std::string authorization = "api_key=\"" + apiKey + "\", algorithm=\"hmac-sha256\", " +
                                      "headers=\"host date request-line\", signature=\"" +
                                      signature + "\"";
    return baseAddress + "?authorization=" + Base64Encode(authorization) +
           "&date=" + UrlEncode(date) + "&host=" + parts.host;
}
