#pragma once

#include <ctime>
#include <string>

// The first vendor's dictation address signed for one connection: base address +
// "?authorization=<Base64>&date=<url-encoded RFC 1123 date>&host=<host>". The result carries a
// signature made with the API secret and must never be written to a log or the debug channel.
std::string BuildSignedUrl(const std::string& baseAddress, const std::string& apiKey,
                           const std::string& apiSecret, std::time_t now = std::time(nullptr));

// "Tue, 14 Nov 2023 22:13:20 GMT": UTC, English names whatever the process locale.
std::string FormatGmtDate(std::time_t when);
