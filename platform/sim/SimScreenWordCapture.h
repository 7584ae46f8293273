#pragma once

#include "platform/IScreenWordCapture.h"
#include "platform/sim/SimSubscription.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace platform::sim {

// IScreenWordCapture of the simulator: `velmora-sim highlight TEXT` stands for a user
// highlighting text elsewhere on the desktop. The world pushes each highlight; the text is
// handed over once no newer one came within the delay. Every switch call is reported as a
// getword_capture event.
class SimScreenWordCapture : public IScreenWordCapture {
public:
    SimScreenWordCapture();
    ~SimScreenWordCapture() override;

    bool IsAvailable() const override { return m_watching; }
    void SetDelay(int delayMs) override;
    void SetHighlightReadyCallback(HighlightReady callback) override;
    void EnableHighlightCapture(bool enable) override;

private:
    void OnHighlight(const QString& text);
    void DeliverWhenRested();

    SimSubscription m_watch;
    bool m_watching = false;
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_stop = false;
    bool m_enabled = false;
    int m_delayMs = 300;
    std::optional<QString> m_pending;
    std::chrono::steady_clock::time_point m_readAt;
    std::mutex m_callbackLock; // held while the callback runs
    HighlightReady m_callback;
    std::thread m_thread;
};

} // namespace platform::sim
