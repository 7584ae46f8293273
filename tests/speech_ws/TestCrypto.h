#pragma once

#include <string>

// Reference computations made directly with OpenSSL, independent of the code under test.
std::string ReferenceHmacSha256Base64(const std::string& key, const std::string& text);
std::string ReferenceBase64(const std::string& bytes);
// Empty when text is not valid Base64.
std::string ReferenceBase64Decode(const std::string& text);
