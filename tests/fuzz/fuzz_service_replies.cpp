// Every reply body of the maker's service goes through every reader of one: the envelope,
// the user record, sign-in, country codes, the custom-command list and the semantic answer.
#include "commands/CommandService.h"
#include "commands/SemanticReply.h"
#include "service/AccountService.h"
#include "service/ServiceReply.h"
#include "service/UserInfo.h"
#include "support/FuzzSupport.h"

namespace {

using fuzz::Require;

void CheckEnvelope(const ServiceReply& reply) {
    if (!reply.parsed) {
        Require(!reply.ok && reply.rc.empty() && reply.msg.empty() && reply.data.isNull(),
                "a body that is not JSON filled the reply");
        return;
    }
    if (reply.ok)
        Require(reply.rc == "0", "success without rc 0");
}

void CheckSignIn(const ServiceReply& reply, const std::string& body) {
    const account::SignInResult result = account::ReadSignInReply(body);
    using Outcome = account::SignInResult::Outcome;
    switch (result.outcome) {
    case Outcome::NotJson:
        Require(!reply.parsed, "JSON read as not JSON");
        break;
    case Outcome::SignedIn:
        Require(reply.ok && reply.data.isObject(), "signed in without a record");
        break;
    case Outcome::NoRecord:
        Require(reply.ok && !reply.data.isObject(), "a record missed");
        break;
    case Outcome::Refused:
        Require(reply.parsed && !reply.ok, "a refusal of a successful reply");
        break;
    case Outcome::TransferFailed:
        Require(false, "a body read as a failed transfer");
        break;
    }
    UserRecord::FromJson(reply.data);
}

void CheckCountryCodes(const std::string& body) {
    std::vector<std::string> codes;
    if (!account::ParseCountryCodes(body, codes))
        return;
    for (const std::string& code : codes)
        Require(!code.empty() && code[0] == '+', "a calling code without its \"+\"");
    for (const std::string& code : codes)
        account::CallingCodeDigits(code);
}

void CheckCommandList(const ServiceReply& reply, const std::string& body) {
    const std::optional<std::vector<CommandRecord>> list = ParseCommandList(body);
    if (!list)
        return;
    Require(reply.ok && reply.data.isArray(), "a command list from a failed reply");
    Require(list->size() <= reply.data.size(), "more commands than the reply holds");
    for (const CommandRecord& record : *list)
        Require(record.isshow == QLatin1String("1"), "a hidden command listed");
}

void CheckSemantic(const ServiceReply& reply, const std::string& body) {
    const SemanticAnswer answer = ParseSemanticReply(body);
    if (answer.action == SemanticAnswer::Action::Nothing)
        Require(!reply.parsed, "a JSON answer ignored");
    if (answer.action == SemanticAnswer::Action::Open)
        Require(!answer.value.empty() && reply.ok, "an empty or refused target opened");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string body(reinterpret_cast<const char*>(data), size);
    const ServiceReply reply = ServiceReply::Parse(body);
    CheckEnvelope(reply);
    CheckSignIn(reply, body);
    CheckCountryCodes(body);
    CheckCommandList(reply, body);
    CheckSemantic(reply, body);
    // A record given straight, not inside an envelope.
    if (reply.parsed)
        UserRecord::FromJson(ServiceReply::Parse("{\"rc\":0,\"data\":" + body + "}").data);
    return 0;
}
