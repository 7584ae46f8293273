#pragma once

#include <map>
#include <string>

// Builds the whole recognised text from a session's results the way the engine's owner does:
// JSON results append their words ("apd") or replace earlier results ("rpl" with "rg"); plain
// results are appended as they are.
class TranscriptAssembler {
public:
    void Add(const std::string& result);
    std::string Text() const;

private:
    std::map<int, std::string> pieces_; // by result number
    int nextPlain_ = 1;
};
