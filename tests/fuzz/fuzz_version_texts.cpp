// The update server's texts: version numbers compared with this program's, the version file
// and the checksum list.
//
// Input: version a 0xFF version b 0xFF file name 0xFF file body.
#include "service/CUpdateChecker.h"
#include "service/UpdateFiles.h"
#include "support/FuzzSupport.h"

#include <cctype>

namespace {

using fuzz::Require;

void CheckComparison(const std::string& a, const std::string& b) {
    const std::optional<int> ab = CUpdateChecker::CompareVersions(a, b);
    const std::optional<int> ba = CUpdateChecker::CompareVersions(b, a);
    Require(ab.has_value() == ba.has_value(), "a comparison answered one way only");
    if (ab) {
        Require(*ab >= -1 && *ab <= 1, "a comparison outside -1..1");
        Require(*ab == -*ba, "a comparison that is not antisymmetric");
    }
    const std::optional<int> aa = CUpdateChecker::CompareVersions(a, a);
    Require(!aa || *aa == 0, "a version differs from itself");
}

void CheckVersionText(const std::string& text) {
    const std::optional<std::string> version = updatefiles::ParseVersionText(text);
    if (!version)
        return;
    bool hasDigit = false;
    for (const char c : *version) {
        Require(c == '.' || std::isdigit(static_cast<unsigned char>(c)),
                "a version with other text");
        hasDigit = hasDigit || c != '.';
    }
    Require(hasDigit, "a version without a digit");
    Require(text.find(*version) != std::string::npos, "a version not in the file");
}

void CheckDigest(const std::string& body, const std::string& fileName) {
    const std::optional<std::string> digest = updatefiles::FindListedDigest(body, fileName);
    if (!digest)
        return;
    Require(digest->size() == 64, "a digest not 64 digits long");
    for (const char c : *digest)
        Require(std::isdigit(static_cast<unsigned char>(c)) || (c >= 'a' && c <= 'f'),
                "a digest with other than lower-case hexadecimal digits");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Fields fields(data, size);
    const std::string a = fields.Next();
    const std::string b = fields.Next();
    const std::string fileName = fields.Next();
    const std::string body = fields.Rest();
    CheckComparison(a, b);
    CheckVersionText(body);
    CheckDigest(body, fileName);
    return 0;
}
