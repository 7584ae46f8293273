#include "speech/sdk/ResultWords.h"

namespace speechsdk {

std::string JoinResultWords(const Json::Value& ws, bool* malformed) {
    bool skipped = false;
    std::string text;
    if (ws.isArray()) {
        for (const Json::Value& entry : ws) {
            if (!entry.isObject() || !entry["cw"].isArray()) {
                skipped = true;
                continue;
            }
            for (const Json::Value& candidate : entry["cw"]) {
                if (candidate.isObject() && candidate["w"].isString())
                    text += candidate["w"].asString();
                else
                    skipped = true;
            }
        }
    } else if (!ws.isNull()) {
        skipped = true;
    }
    if (malformed)
        *malformed = skipped;
    return text;
}

} // namespace speechsdk
