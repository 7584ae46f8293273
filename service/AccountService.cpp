#include "service/AccountService.h"

#include "platform/DebugChannel.h"
#include "service/CHttpClient.h"
#include "service/QueryValueEscape.h"
#include "service/ServiceReply.h"

#include <json/reader.h>

#include <memory>

namespace account {

namespace {

const CHttpClient::Limits kAccountLimits{2, 3};
const CHttpClient::Limits kCodeSignInLimits{3, 3};

std::string Pair(const char* key, const std::string& value) {
    return key + EscapeQueryValue(value);
}

void Debug(const std::string& text) {
    platform::OutputDebug(QString::fromUtf8(text.data(), static_cast<int>(text.size())));
}

const char* FailureLine(SignInCall call) {
    switch (call) {
    case SignInCall::Register:
        return "Register/ModifyPw failed\n";
    case SignInCall::CodeSignIn:
        return "codeLogin failed\n";
    case SignInCall::PasswordSignIn:
        break;
    }
    return "passLogin failed\n";
}

const char* SuccessLine(SignInCall call) {
    switch (call) {
    case SignInCall::Register:
        return "passReg success\n";
    case SignInCall::PasswordSignIn:
        return "passLogin success\n";
    case SignInCall::CodeSignIn:
        break;
    }
    return nullptr;
}

bool ParseJson(const std::string& body, Json::Value& root) {
    Json::CharReaderBuilder builder;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    std::string errors;
    return reader->parse(body.data(), body.data() + body.size(), &root, &errors);
}

} // namespace

std::string CountryCodesPath() {
    return "/api/showCountryCodeList.json";
}

std::string VerifyCodePath(const std::string& phone, const std::string& country,
                           const std::string& mark) {
    return "/api/getLoginVerifyCode.json?" + Pair("phone=", phone) + Pair("&country=", country) +
           Pair("&mark=", mark);
}

std::string RegisterPath(const std::string& phone, const std::string& code,
                         const std::string& password) {
    // Registration never asks for a sign-in code, so its mark is always empty.
    return "/api/registerAndModifyPwd.json?" + Pair("phone=", phone) + Pair("&code=", code) +
           Pair("&password=", password) + Pair("&mark=", std::string());
}

std::string CodeSignInPath(const std::string& phone, const std::string& code) {
    return "/api/recordLogin.json?" + Pair("phone=", phone) + Pair("&code=", code);
}

std::string PasswordSignInPath(const std::string& name, const std::string& password) {
    return "/api/recordLogin.json?" + Pair("name=", name) + Pair("&password=", password);
}

std::string CallingCodeDigits(const std::string& item) {
    const std::string::size_type plus = item.find('+');
    return plus == std::string::npos ? item : item.substr(plus + 1);
}

bool ParseCountryCodes(const std::string& body, std::vector<std::string>& codes) {
    Json::Value root;
    if (!ParseJson(body, root))
        return false;
    codes.clear();
    if (!root.isArray()) {
        platform::OutputDebug(QStringLiteral("GetCountry: the reply is not a list\n"));
        return true;
    }
    for (const Json::Value& element : root) {
        if (!element.isObject())
            continue;
        const Json::Value& code = element["countryCode"];
        if (code.isString() || code.isIntegral())
            codes.push_back("+" + code.asString());
    }
    return true;
}

bool FetchCountryCodes(const std::string& serviceBase, std::vector<std::string>& codes) {
    const CHttpClient::Result result =
        CHttpClient::Get(serviceBase + CountryCodesPath(), kAccountLimits);
    if (!result.first) {
        platform::OutputDebug(QStringLiteral("GetCountry failed\n"));
        return false;
    }
    return ParseCountryCodes(result.second, codes);
}

void RequestVerifyCode(const std::string& serviceBase, const std::string& pathAndQuery) {
    const CHttpClient::Result result = CHttpClient::Get(serviceBase + pathAndQuery, kAccountLimits);
    if (!result.first) {
        platform::OutputDebug(QStringLiteral("GetCode failed\n"));
        return;
    }
    const ServiceReply reply = ServiceReply::Parse(result.second);
    if (reply.parsed)
        Debug(reply.msg + "\n");
}

SignInResult ReadSignInReply(const std::string& body) {
    SignInResult result;
    const ServiceReply reply = ServiceReply::Parse(body);
    if (!reply.parsed) {
        result.outcome = SignInResult::Outcome::NotJson;
        return result;
    }
    result.msg = reply.msg;
    if (!reply.ok) {
        result.outcome = SignInResult::Outcome::Refused;
        return result;
    }
    if (!reply.data.isObject()) {
        result.outcome = SignInResult::Outcome::NoRecord;
        return result;
    }
    result.outcome = SignInResult::Outcome::SignedIn;
    result.record = UserRecord::FromJson(reply.data);
    return result;
}

SignInResult RunSignInCall(SignInCall call, const std::string& url) {
    const CHttpClient::Limits limits =
        call == SignInCall::CodeSignIn ? kCodeSignInLimits : kAccountLimits;
    const CHttpClient::Result transfer = CHttpClient::Get(url, limits);
    if (!transfer.first) {
        platform::OutputDebug(QString::fromLatin1(FailureLine(call)));
        return SignInResult();
    }
    if (const char* line = SuccessLine(call))
        platform::OutputDebug(QString::fromLatin1(line));
    SignInResult result = ReadSignInReply(transfer.second);
    if (result.outcome != SignInResult::Outcome::NotJson)
        Debug(result.msg + "\n");
    if (result.outcome == SignInResult::Outcome::NoRecord)
        platform::OutputDebug(QStringLiteral("sign-in reply without a user record\n"));
    return result;
}

} // namespace account
