#include "app/CLoopWatch.h"

#include <QtGlobal>

#include <algorithm>

CLoopWatch::CLoopWatch(Report report, int beatMs, int periodMs)
    : m_report(std::move(report)), m_periodMs(periodMs) {
    // A coarse timer may fire up to 5 % late by design; that would read as a stall.
    m_beat.setTimerType(Qt::PreciseTimer);
    m_beat.setInterval(beatMs);
    connect(&m_beat, &QTimer::timeout, this, [this] { OnBeat(); });
}

bool CLoopWatch::RequestedByEnvironment() {
    return qEnvironmentVariable("VELMORA_LOOP_WATCH") == QLatin1String("1");
}

void CLoopWatch::Start() {
    m_clock.start();
    m_lastBeat = 0;
    m_periodStart = 0;
    m_period = Period();
    m_longest = 0;
    m_beat.start();
}

void CLoopWatch::Stop() {
    m_beat.stop();
}

bool CLoopWatch::IsRunning() const {
    return m_beat.isActive();
}

qint64 CLoopWatch::LongestGapMs() const {
    return m_longest;
}

void CLoopWatch::OnBeat() {
    const qint64 now = m_clock.elapsed();
    const qint64 gap = now - m_lastBeat;
    m_lastBeat = now;
    m_period.longestGapMs = std::max(m_period.longestGapMs, gap);
    ++m_period.beats;
    m_longest = std::max(m_longest, gap);
    if (now - m_periodStart >= m_periodMs)
        EndPeriod(now);
}

void CLoopWatch::EndPeriod(qint64 now) {
    const Period ended = m_period;
    m_period = Period();
    m_periodStart = now;
    if (m_report)
        m_report(ended);
}
