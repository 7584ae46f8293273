#pragma once

#include <string>

// One feedback submission: the form the maker's service expects and the blocking call that
// sends it (made on a worker thread). All values UTF-8.
struct FeedbackRequest {
    std::string devType; // "mouse" or "lp", the chosen item's name
    std::string content;
    std::string phone;
    // The chosen device's identifiers; sent only when withDeviceIds is set.
    bool withDeviceIds = false;
    std::string vid;
    std::string pid;
    std::string sn;
    std::string channelName;
    std::string macAddr;
    std::string clientVersion;
    std::string feedbackTime; // local time, "%Y-%m-%d %H:%M:%S"

    // The form body: devType, content, phone, [vid, pid, sn,] channelName, macAddr,
    // clientversion, feedbackTime, each value through EscapeQueryValue.
    std::string Body() const;

    // POSTs the body to the service base address plus path (limits 2 s / 3 s); true when the
    // transfer succeeded with status 200. The reply body is not read.
    bool Send(const std::string& serviceBase, const std::string& path) const;
};

// The local time now, formatted as the feedback form wants it.
std::string FeedbackTimeNow();
