#include "speech/CProgressThrottle.h"

#include <algorithm>

CProgressThrottle::CProgressThrottle(std::chrono::milliseconds interval) : m_interval(interval) {}

std::optional<int> CProgressThrottle::Update(std::uint64_t done, std::uint64_t total,
                                             Clock::time_point now) {
    if (total == 0)
        return std::nullopt;
    // Computed in floating point: done * 100 overflows nothing, whatever the file's size.
    const double share = static_cast<double>(std::min(done, total)) / static_cast<double>(total);
    const int percent = std::min(99, static_cast<int>(share * 100.0));
    if (percent == m_lastPercent)
        return std::nullopt;
    if (m_lastShown && now - *m_lastShown < m_interval)
        return std::nullopt;
    m_lastShown = now;
    m_lastPercent = percent;
    return percent;
}

CProgressThrottle::Clock::time_point CProgressThrottle::FinalAt() const {
    return m_lastShown ? *m_lastShown + m_interval : Clock::time_point();
}

void CProgressThrottle::Finished(Clock::time_point now) {
    m_lastShown = now;
    m_lastPercent = 100;
}
