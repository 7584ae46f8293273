#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>

// Watches the UI thread's message loop for stalls. A precise heartbeat timer runs on the
// loop's thread; the time between two beats is how long the loop took to come round again,
// so a handler that blocks the thread for 300 ms shows as a gap of about 300 ms.
// Each period's longest gap goes to the report function; the longest since Start is kept.
// Lives on the thread whose loop it watches (the UI thread) and is used only there. The beat
// wakes the thread every few milliseconds, so the program runs it only on request
// (RequestedByEnvironment).
class CLoopWatch : public QObject {
public:
    struct Period {
        qint64 longestGapMs = 0; // longest time between two beats in the period
        int beats = 0;           // beats seen in the period
    };
    using Report = std::function<void(const Period&)>;

    static constexpr int kBeatMs = 10;
    static constexpr int kPeriodMs = 1000;

    explicit CLoopWatch(Report report, int beatMs = kBeatMs, int periodMs = kPeriodMs);

    // VELMORA_LOOP_WATCH=1 in the environment.
    static bool RequestedByEnvironment();

    // Starts (or restarts) the beat; gaps count from now.
    void Start();
    void Stop();
    bool IsRunning() const;
    // The longest gap between two beats since Start (0 before the first beat).
    qint64 LongestGapMs() const;

private:
    void OnBeat();
    void EndPeriod(qint64 now);

    Report m_report;
    int m_periodMs;
    QTimer m_beat;
    QElapsedTimer m_clock;
    qint64 m_lastBeat = 0;
    qint64 m_periodStart = 0;
    Period m_period;
    qint64 m_longest = 0;
};
