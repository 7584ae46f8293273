#pragma once

#include <json/value.h>

#include <string>

// The maker's reply envelope {"rc": ..., "msg": ..., "data": ...}.
struct ServiceReply {
    bool parsed = false; // the body was JSON
    bool ok = false;     // "rc" converts to exactly the text "0"
    std::string rc;
    std::string msg; // UTF-8, shown unchanged where a caller shows failures
    Json::Value data;

    // Parses a reply body; a body that is not JSON gives parsed == false and ok == false.
    static ServiceReply Parse(const std::string& body);
};
