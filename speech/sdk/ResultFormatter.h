#pragma once

#include "speech/sdk/SessionParams.h"

#include <string>
#include <vector>

namespace speechsdk {

// One result of a session: its words (each ready to be concatenated) and its place.
struct SentenceResult {
    int sn = 0;
    bool last = false;
    std::vector<std::string> words;
    // Progressive results only: "apd" or "rpl", and for "rpl" the result numbers replaced.
    std::string pgs;
    int replaceFirst = 0;
    int replaceLast = 0;
};

// Turns a result into the text handed to the caller: one line of JSON or the plain words, in
// the session's result encoding.
class ResultFormatter {
public:
    explicit ResultFormatter(const SessionParams& params);

    std::string Format(const SentenceResult& result) const;

    static std::string Json(const SentenceResult& result);
    static std::string Plain(const SentenceResult& result);
    // UTF-8 to GB2312/GBK; characters the target cannot hold become '?'.
    static std::string Encoded(const std::string& utf8, const std::string& encoding);

private:
    ResultType m_type;
    std::string m_encoding;
};

} // namespace speechsdk
