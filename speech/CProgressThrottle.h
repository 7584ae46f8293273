#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

// Turns bytes done into the percentages a transcription shows, no more often than once per
// interval (four a second by default). 100 is kept for the end, when the transcript is complete:
// until then a finished read shows 99.
class CProgressThrottle {
public:
    using Clock = std::chrono::steady_clock;

    explicit CProgressThrottle(std::chrono::milliseconds interval = std::chrono::milliseconds(250));

    // The percentage to show now, or none when it has not changed or the last one is too recent.
    std::optional<int> Update(std::uint64_t done, std::uint64_t total, Clock::time_point now);
    // The earliest moment the final 100 may be shown.
    Clock::time_point FinalAt() const;
    // Records that 100 was shown at now.
    void Finished(Clock::time_point now);

private:
    std::chrono::milliseconds m_interval;
    std::optional<Clock::time_point> m_lastShown;
    int m_lastPercent = -1;
};
