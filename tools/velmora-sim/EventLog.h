#pragma once

#include <json/value.h>

#include <cstdint>
#include <vector>

// The world's record of what the program did at the platform boundary. Every event gets an
// increasing "seq" (from 1) and "t", milliseconds on CLOCK_MONOTONIC, so clients can relate
// events to their own monotonic readings.
class EventLog {
public:
    // Stamps and stores the event; returns the stored copy.
    const Json::Value& Append(Json::Value event);
    int64_t LastSeq() const { return static_cast<int64_t>(m_events.size()); }
    // Events with seq greater than since, oldest first.
    std::vector<Json::Value> Since(int64_t since) const;

    static int64_t MonotonicMs();

private:
    std::vector<Json::Value> m_events;
};
