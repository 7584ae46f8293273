#include "speech/CVendorStream.h"

#include "platform/DebugChannel.h"
#include "speech/CWaveRecorder.h"
#include "speech/EngineReports.h"
#include "speech/IIatCallBack.h"
#include "speech/ThreadMessageQueue.h"

#include <algorithm>
#include <system_error>
#include <thread>

namespace {
constexpr unsigned kThreadQuitMessage = 0x0012;
// Connect attempts and TLS teardowns are bounded by the client's own time-outs (5 s each);
// this only keeps a teardown from hanging on a thread that never ends.
constexpr auto kShutdownWait = std::chrono::seconds(12);
// No vendor message comes near this; a larger one is dropped unread.
constexpr std::size_t kLargestMessage = 1024 * 1024;
} // namespace

CVendorStream::CVendorStream(Settings settings, std::shared_ptr<IIatCallBack> owner,
                             AttachSender attachSender)
    : m_settings(std::move(settings)), m_owner(std::move(owner)),
      m_attachSender(std::move(attachSender)) {}

void CVendorStream::Init() {
    // Handlers hold the stream weakly: the stream owns the path, and the path its handlers.
    const std::weak_ptr<CVendorStream> weak = weak_from_this();
    CWebSocketPath::Handlers handlers;
    handlers.onOpen = [weak] {
        if (const auto self = weak.lock())
            self->HandleOpen();
    };
    handlers.onMessage = [weak](const std::string& payload) {
        if (const auto self = weak.lock())
            self->HandleMessage(payload);
    };
    handlers.onClose = [weak] {
        if (const auto self = weak.lock())
            self->HandleClose();
    };
    handlers.onFailed = [weak](int httpStatus) {
        if (const auto self = weak.lock())
            self->HandleFailed(httpStatus);
    };
    handlers.onEnded = [weak] {
        if (const auto self = weak.lock())
            self->NotifyChanged();
    };
    m_path = CWebSocketPath::Create(m_settings.transport, m_settings.caFile, std::move(handlers));
}

bool CVendorStream::Open(const std::string& address, int voiceMode) {
    if (m_shutDown || m_path->IsConnected())
        return false;
    m_voiceMode = voiceMode;
    return m_path->Connect(address);
}

bool CVendorStream::IsConnected() const {
    return m_path->IsConnected();
}

bool CVendorStream::IsActive() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_path->IsBusy() || m_threads > 0;
}

bool CVendorStream::Shutdown() {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_shutDown = true;
        for (const auto& weak : m_senders) {
            if (const auto queue = weak.lock())
                queue->Post(kThreadQuitMessage);
        }
    }
    m_changed.notify_all();
    m_path->Close();
    std::unique_lock<std::mutex> guard(m_lock);
    return m_changed.wait_for(guard, kShutdownWait,
                              [this] { return !m_path->IsBusy() && m_threads == 0; });
}

bool CVendorStream::Send(const std::string& text) {
    return !m_shutDown && m_path->Send(text);
}

void CVendorStream::Close() {
    m_path->Close();
}

void CVendorStream::Deliver(const StreamDelivery& delivery) {
    if (m_owner && !m_shutDown)
        m_owner->OnResultString(delivery.text, delivery.last, delivery.mode);
}

void CVendorStream::HandleOpen() {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        ++m_generation;
        m_senderStarted = false;
        m_endSent = false;
    }
    if (m_shutDown) {
        m_path->Close();
        return;
    }
    m_streamOpen = true;
    enginereport::StreamOpened(Engine());
    OnOpened();
}

void CVendorStream::HandleMessage(const std::string& payload) {
    if (payload.size() > kLargestMessage) {
        platform::OutputDebug(QStringLiteral("oversized message from the %1 service dropped\n")
                                  .arg(QLatin1String(Engine())));
        return;
    }
    if (!m_shutDown)
        OnMessage(payload);
}

// A connection's end is taken from its close handler: a closed connection's thread may
// still be tearing down while the next session's connection opens.
void CVendorStream::HandleClose() {
    if (m_streamOpen.exchange(false)) {
        enginereport::StreamClosed(Engine());
        if (!m_shutDown)
            OnStreamEnded();
    }
    NotifyChanged();
}

void CVendorStream::HandleFailed(int httpStatus) {
    if (!m_shutDown)
        OnConnectFailed(httpStatus);
}

void CVendorStream::NotifyChanged() {
    { std::lock_guard<std::mutex> guard(m_lock); }
    m_changed.notify_all();
}

bool CVendorStream::StartSender() {
    const std::lock_guard<std::mutex> endGuard(m_endLock);
    auto queue = std::make_shared<ThreadMessageQueue>();
    {
        // Checked under the lock Shutdown ends the senders with: a sender registered here is
        // either ended by it, or not started at all.
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_shutDown || m_senderStarted || m_endSent)
            return false;
        m_senderStarted = true;
        ++m_threads;
        m_senders.erase(std::remove_if(m_senders.begin(), m_senders.end(),
                                       [](const auto& weak) { return weak.expired(); }),
                        m_senders.end());
        m_senders.push_back(queue);
    }
    try {
        std::thread([self = shared_from_this(), queue] { self->RunSender(queue); }).detach();
    } catch (const std::system_error&) {
        ThreadEnded();
        platform::OutputDebug(QStringLiteral("create thread failed\n"));
        return false;
    }
    if (m_attachSender && !m_shutDown)
        m_attachSender(queue);
    return true;
}

bool CVendorStream::SendEnd() {
    return SendEndFrame(false);
}

bool CVendorStream::SendEndUnlessSending() {
    return SendEndFrame(true);
}

bool CVendorStream::SendEndFrame(bool onlyWithoutSender) {
    const std::lock_guard<std::mutex> endGuard(m_endLock);
    int generation = 0;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_endSent || (onlyWithoutSender && m_senderStarted))
            return false;
        generation = m_generation;
    }
    if (!Send(EndMessage()))
        return false;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_endSent = true;
    }
    StartEndCap(generation);
    return true;
}

void CVendorStream::StartEndCap(int generation) {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        ++m_threads;
    }
    try {
        std::thread([self = shared_from_this(), generation] {
            self->RunEndCap(generation);
        }).detach();
    } catch (const std::system_error&) {
        ThreadEnded();
        platform::OutputDebug(QStringLiteral("create thread failed\n"));
    }
}

void CVendorStream::RunEndCap(int generation) {
    std::unique_lock<std::mutex> guard(m_lock);
    const bool ended = m_changed.wait_for(guard, m_settings.endCap, [this, generation] {
        return m_shutDown || m_generation != generation || !m_path->IsConnected();
    });
    guard.unlock();
    if (!ended) {
        platform::OutputDebug(
            QStringLiteral("no end of stream from the %1 service\n").arg(QLatin1String(Engine())));
        m_path->Close();
    }
    ThreadEnded();
}

void CVendorStream::RunSender(std::shared_ptr<ThreadMessageQueue> queue) {
    for (;;) {
        const ThreadMessage message = queue->Take();
        if (message.message == CWaveRecorder::kAudioDataMessage) {
            Send(AudioMessage(message.data));
        } else if (message.message == CWaveRecorder::kAudioEndMessage) {
            SendEnd();
            break;
        } else if (message.message == kThreadQuitMessage) {
            break;
        }
    }
    ThreadEnded();
}

void CVendorStream::ThreadEnded() {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        --m_threads;
    }
    m_changed.notify_all();
}
