// The speech vendors' messages: the first vendor's result frames, the second vendor's token
// reply and result frames, the third vendor's server list and replies, each through what the
// streams do with them next.
#include "speech/CShResults.h"
#include "speech/SgFrames.h"
#include "speech/ShFrames.h"
#include "speech/XfFrames.h"
#include "support/FuzzSupport.h"

namespace {

using fuzz::Require;

void CheckXf(const std::string& message) {
    XfResult result;
    if (!ParseXfResult(message, result))
        return;
    Require(result.text.size() <= message.size() * 6, "a result text out of all proportion");
}

void CheckSgToken(const std::string& message) {
    const std::optional<std::string> token = ParseSgToken(message);
    if (token)
        Require(!token->empty(), "an empty token taken");
}

void CheckSg(const std::string& message) {
    SgResult result;
    if (!ParseSgResult(message, result))
        return;
    for (int mode = 0; mode <= 4; ++mode) {
        const std::optional<StreamDelivery> delivery = SgDeliveryFor(result, mode);
        if (delivery && mode != 3)
            Require(result.isFinal, "an interim text typed outside subtitles");
    }
}

void CheckSh(const std::string& message) {
    for (const std::string& server : ParseShServerList(message)) {
        Require(!server.empty(), "an empty server listed");
        Require(server.find(',') == std::string::npos, "a server entry holding a \",\"");
        Require(server.front() != ' ' && server.back() != ' ', "a server entry not trimmed");
    }
    ShReply reply;
    if (!ParseShReply(message, reply) || reply.cmd != kShResultCommand)
        return;
    for (int mode = 0; mode <= 4; ++mode) {
        CShResults results;
        results.StreamOpened();
        results.OnResult(reply, mode);
        results.OnResult(reply, mode);
        const std::vector<StreamDelivery> last = results.OnStreamEnded(mode);
        Require(results.Completed(), "a stream not complete after its end");
        Require(last.size() <= 1, "more than one completion");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string message(reinterpret_cast<const char*>(data), size);
    CheckXf(message);
    CheckSgToken(message);
    CheckSg(message);
    CheckSh(message);
    return 0;
}
