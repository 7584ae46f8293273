#include "platform/sim/SimScreenWordCapture.h"

#include "platform/SimEvents.h"
#include "platform/sim/SimClient.h"

#include <json/value.h>

namespace platform::sim {

SimScreenWordCapture::SimScreenWordCapture() {
    m_thread = std::thread([this] { DeliverWhenRested(); });
    m_watching = m_watch.Start("highlight_watch", [this](SimClient&, const Json::Value& message) {
        if (message["highlight"].isString())
            OnHighlight(QString::fromStdString(message["highlight"].asString()));
    });
}

SimScreenWordCapture::~SimScreenWordCapture() {
    m_watch.Stop();
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_stop = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void SimScreenWordCapture::SetDelay(int delayMs) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_delayMs = delayMs < 0 ? 0 : delayMs;
}

void SimScreenWordCapture::SetHighlightReadyCallback(HighlightReady callback) {
    std::lock_guard<std::mutex> guard(m_callbackLock);
    m_callback = std::move(callback);
}

void SimScreenWordCapture::EnableHighlightCapture(bool enable) {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_enabled = enable;
        if (!enable)
            m_pending.reset();
    }
    Json::Value event;
    event["kind"] = "getword_capture";
    event["enabled"] = enable;
    EmitSimEvent(event);
}

void SimScreenWordCapture::OnHighlight(const QString& text) {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (!m_enabled)
            return;
        if (text.toUtf8().size() > kMaxTextBytes) {
            m_pending.reset();
            return;
        }
        m_pending = text;
        m_readAt = std::chrono::steady_clock::now() + std::chrono::milliseconds(m_delayMs);
    }
    m_changed.notify_all();
}

void SimScreenWordCapture::DeliverWhenRested() {
    std::unique_lock<std::mutex> lock(m_lock);
    while (!m_stop) {
        if (!m_pending) {
            m_changed.wait(lock);
            continue;
        }
        if (std::chrono::steady_clock::now() < m_readAt) {
            m_changed.wait_until(lock, m_readAt);
            continue;
        }
        const QString text = *m_pending;
        m_pending.reset();
        lock.unlock();
        {
            std::lock_guard<std::mutex> guard(m_callbackLock);
            if (m_callback)
                m_callback(text);
        }
        lock.lock();
    }
}

} // namespace platform::sim
