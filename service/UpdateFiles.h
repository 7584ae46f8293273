#pragma once

#include <optional>
#include <string>

// The texts the update server publishes, read without any network or file.
namespace updatefiles {

// The blanks the version texts may carry around their fields (the C locale's spaces).
bool IsBlank(char c);
// The text without leading and trailing blanks.
std::string Trimmed(const std::string& text);

// The first line of a version file (a UTF-8 byte-order mark and blanks dropped) when it is a
// version text: digits and dots with at least one digit. Nothing for an error page, an empty
// file or binary bytes.
std::optional<std::string> ParseVersionText(const std::string& text);

// sha256sum lines: 64 hex digits, a blank, " " (text) or "*" (binary), the file name (maybe
// with a folder in front). Returns the lower-case digest listed for fileName.
std::optional<std::string> FindListedDigest(const std::string& body, const std::string& fileName);

} // namespace updatefiles
