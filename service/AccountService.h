#pragma once

#include "service/UserInfo.h"

#include <string>
#include <vector>

// The account calls of the maker's service: the request addresses, one blocking call each (made
// on a worker thread) and what their replies mean. Every value of a query goes through
// EscapeQueryValue, so a phone, code or password reaches the service as typed. Nothing here
// writes a request address, a password or a code anywhere: the debug channel gets the fixed
// progress lines and the service's "msg" only.
namespace account {

// Which call a sign-in style request is; decides its time limits and its debug lines.
enum class SignInCall { Register, CodeSignIn, PasswordSignIn };

// Paths and queries, to be appended to the service base address.
std::string CountryCodesPath();
std::string VerifyCodePath(const std::string& phone, const std::string& country,
                           const std::string& mark);
std::string RegisterPath(const std::string& phone, const std::string& code,
                         const std::string& password);
std::string CodeSignInPath(const std::string& phone, const std::string& code);
std::string PasswordSignInPath(const std::string& name, const std::string& password);

// The calling code without its "+": the text after the first "+", the whole text without one.
std::string CallingCodeDigits(const std::string& item);

// The list of a country-code reply ("+" and each element's "countryCode", in order). False
// when the body is not JSON. A reply that is not an array gives an empty list; elements that
// are not objects or whose code is not text or a number are left out.
bool ParseCountryCodes(const std::string& body, std::vector<std::string>& codes);

// Fetches the country codes; false (with "GetCountry failed" on the debug channel) when the
// transfer failed, and also when the body is not JSON.
bool FetchCountryCodes(const std::string& serviceBase, std::vector<std::string>& codes);

// Asks for a verification code. Failures are only written to the debug channel.
void RequestVerifyCode(const std::string& serviceBase, const std::string& pathAndQuery);

struct SignInResult {
    enum class Outcome {
        TransferFailed, // transport error, time-out or a status other than 200
        NotJson,        // nothing to do, nothing to show
        SignedIn,       // "rc" "0" with an object "data": record filled
        NoRecord,       // "rc" "0" without an object "data": nobody is signed in
        Refused,        // any other "rc": msg is for the user
    };
    Outcome outcome = Outcome::TransferFailed;
    std::string msg; // UTF-8, as the service sent it
    UserRecord record;
};

// Runs a register or sign-in request (the full address) and reads its reply.
SignInResult RunSignInCall(SignInCall call, const std::string& url);

// Reads a register or sign-in reply body (the part of RunSignInCall after the transfer).
SignInResult ReadSignInReply(const std::string& body);

} // namespace account
