#pragma once

#include <json/value.h>

#include <string>

// The one JSON form of every streaming engine's frames and request bodies: jsoncpp's default
// stream writer (members in byte order, tab indent, no final newline), which is the indented
// form the vendors have always been sent.
std::string WriteJsonFrame(const Json::Value& frame);

// Parses a received message with the library's character reader; false when it is not JSON.
bool ReadJsonMessage(const std::string& message, Json::Value& root);
