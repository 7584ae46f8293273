#include "service/FeedbackRequest.h"

#include "service/CHttpClient.h"
#include "service/QueryValueEscape.h"

#include <ctime>

namespace {

const CHttpClient::Limits kFeedbackLimits{2, 3};

std::string Pair(const char* key, const std::string& value) {
    return key + EscapeQueryValue(value);
}

} // namespace

std::string FeedbackRequest::Body() const {
    std::string body =
        Pair("devType=", devType) + Pair("&content=", content) + Pair("&phone=", phone);
    if (withDeviceIds)
        body += Pair("&vid=", vid) + Pair("&pid=", pid) + Pair("&sn=", sn);
    body += Pair("&channelName=", channelName) + Pair("&macAddr=", macAddr) +
            Pair("&clientversion=", clientVersion) + Pair("&feedbackTime=", feedbackTime);
    return body;
}

bool FeedbackRequest::Send(const std::string& serviceBase, const std::string& path) const {
    return CHttpClient::PostForm(serviceBase + path, Body(), kFeedbackLimits).first;
}

std::string FeedbackTimeNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32] = {};
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}
