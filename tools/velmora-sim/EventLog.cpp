#include "EventLog.h"

#include <algorithm>
#include <time.h>

int64_t EventLog::MonotonicMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

const Json::Value& EventLog::Append(Json::Value event) {
    event["seq"] = static_cast<Json::Int64>(m_events.size() + 1);
    event["t"] = static_cast<Json::Int64>(MonotonicMs());
    m_events.push_back(std::move(event));
    return m_events.back();
}

std::vector<Json::Value> EventLog::Since(int64_t since) const {
    const size_t first = static_cast<size_t>(std::clamp<int64_t>(since, 0, LastSeq()));
    return std::vector<Json::Value>(m_events.begin() + static_cast<std::ptrdiff_t>(first),
                                    m_events.end());
}
