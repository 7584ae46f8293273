#pragma once

#include <string>

// What the semantic service's answer asks for.
struct SemanticAnswer {
    enum class Action {
        Nothing,   // the body is not JSON: the sentence ends here
        WebSearch, // refused, nothing to offer, or a reply of the wrong shape
        Open,      // open `value`
    };
    Action action = Action::WebSearch;
    std::string value; // UTF-8
};

// Reads a reply body: "rc" must read as the text "0" (text or number), then
// "semantic"[0]."pars"[0]."value" is the target; a missing member at any level or an empty
// value means a web search, and so does a member of the wrong type on the way.
SemanticAnswer ParseSemanticReply(const std::string& body);
