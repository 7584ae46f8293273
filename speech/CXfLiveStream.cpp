#include "speech/CXfLiveStream.h"

#include "platform/DebugChannel.h"
#include "speech/CWaveRecorder.h"
#include "speech/CWebSocketPath.h"
#include "speech/IIatCallBack.h"
#include "speech/ThreadMessageQueue.h"
#include "speech/XfFrames.h"
#include "speech/XfSignedUrl.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

namespace {
constexpr unsigned kThreadQuitMessage = 0x0012;
// A closed connection's TLS teardown and a connect attempt are each bounded by the client's
// own timeouts (5 s); this only keeps a teardown from hanging on a thread that never ends.
constexpr auto kShutdownWait = std::chrono::seconds(12);
constexpr int kFirstFrameNext = 0;
constexpr int kContinuing = 1;
constexpr int kLastFrameSent = 2;
constexpr const char* kLiveLanguage = "zh_cn";
} // namespace

struct CXfLiveStream::State {
    XfStreamSettings settings;
    IIatCallBack* callback = nullptr;
    AttachSender attachSender;
    std::shared_ptr<CWebSocketPath> path;

    std::atomic<int> frameStatus{kLastFrameSent};
    std::atomic<int> sendersRunning{0};
    std::atomic<bool> offAnnounced{false};
    std::atomic<bool> shutDown{false};

    // Lets the sender wait for the connection to end after its last frame, and Shutdown for
    // the threads to finish.
    std::mutex endLock;
    std::condition_variable ended;
    // The queues of running senders, so that Shutdown can end them.
    std::vector<std::weak_ptr<ThreadMessageQueue>> senders;

    void NotifyEnded() {
        { std::lock_guard<std::mutex> guard(endLock); }
        ended.notify_all();
    }
    bool IsActive() const { return path->IsBusy() || sendersRunning.load() > 0; }
};

CXfLiveStream::CXfLiveStream(XfStreamSettings settings, IIatCallBack* callback,
                             AttachSender attachSender)
    : m_state(std::make_shared<State>()) {
    m_state->settings = std::move(settings);
    m_state->callback = callback;
    m_state->attachSender = std::move(attachSender);

    // Handlers hold the state weakly: the state owns the path, and the path its handlers.
    const std::weak_ptr<State> weak = m_state;
    CWebSocketPath::Handlers handlers;
    handlers.onOpen = [weak] {
        if (const auto state = weak.lock())
            HandleOpen(state);
    };
    handlers.onMessage = [weak](const std::string& payload) {
        if (const auto state = weak.lock())
            HandleMessage(*state, payload);
    };
    handlers.onClose = [weak] {
        if (const auto state = weak.lock())
            state->NotifyEnded();
    };
    handlers.onEnded = handlers.onClose;
    m_state->path = CWebSocketPath::Create(CWebSocketPath::Transport::Tls, m_state->settings.caFile,
                                           std::move(handlers));
}

bool CXfLiveStream::Open() {
    if (m_state->shutDown)
        return false;
    if (!m_state->settings.Usable()) {
        if (!m_state->offAnnounced.exchange(true))
            platform::OutputDebug(QStringLiteral(
                "live dictation stream off: no address or credentials for xf_iat\n"));
        return false;
    }
    if (m_state->path->IsConnected())
        return false;
    const XfStreamSettings& settings = m_state->settings;
    return m_state->path->Connect(
        BuildSignedUrl(settings.address, settings.apiKey, settings.apiSecret));
}

bool CXfLiveStream::IsConnected() const {
    return m_state->path->IsConnected();
}

bool CXfLiveStream::IsActive() const {
    return m_state->IsActive();
}

void CXfLiveStream::Close() {
    m_state->path->Close();
}

bool CXfLiveStream::Shutdown() {
    State& state = *m_state;
    {
        std::lock_guard<std::mutex> guard(state.endLock);
        state.shutDown = true;
        for (const auto& weak : state.senders) {
            if (const auto queue = weak.lock())
                queue->Post(kThreadQuitMessage);
        }
    }
    state.ended.notify_all();
    state.path->Close();
    std::unique_lock<std::mutex> guard(state.endLock);
    return state.ended.wait_for(guard, kShutdownWait, [&state] { return !state.IsActive(); });
}

void CXfLiveStream::HandleOpen(const std::shared_ptr<State>& state) {
    auto queue = std::make_shared<ThreadMessageQueue>();
    {
        // Checked under the lock Shutdown ends the senders with: a sender registered here is
        // either ended by it, or not started at all.
        std::unique_lock<std::mutex> guard(state->endLock);
        if (state->shutDown) {
            guard.unlock();
            state->path->Close();
            return;
        }
        state->frameStatus = kFirstFrameNext;
        ++state->sendersRunning;
        state->senders.erase(std::remove_if(state->senders.begin(), state->senders.end(),
                                            [](const auto& weak) { return weak.expired(); }),
                             state->senders.end());
        state->senders.push_back(queue);
    }
    try {
        std::thread(RunSender, state, queue).detach();
    } catch (const std::system_error&) {
        EndSender(*state);
        platform::OutputDebug(QStringLiteral("create thread failed\n"));
        return;
    }
    if (state->attachSender && !state->shutDown)
        state->attachSender(queue);
}

void CXfLiveStream::HandleMessage(State& state, const std::string& payload) {
    XfResult result;
    if (!ParseXfResult(payload, result))
        return;
    if (state.callback && !state.shutDown)
        state.callback->OnResult(result.text.c_str(), result.last, "apd");
    if (result.status == 2)
        state.path->Close();
}

void CXfLiveStream::EndSender(State& state) {
    {
        std::lock_guard<std::mutex> guard(state.endLock);
        --state.sendersRunning;
    }
    state.ended.notify_all();
}

void CXfLiveStream::RunSender(std::shared_ptr<State> state,
                              std::shared_ptr<ThreadMessageQueue> queue) {
    for (;;) {
        const ThreadMessage message = queue->Take();
        if (message.message == CWaveRecorder::kAudioDataMessage) {
            SendAudioBlock(*state, message.data);
        } else if (message.message == CWaveRecorder::kAudioEndMessage) {
            SendLastFrame(*state);
            break;
        } else if (message.message == kThreadQuitMessage) {
            break;
        }
    }
    EndSender(*state);
}

void CXfLiveStream::SendAudioBlock(State& state, const std::vector<char>& block) {
    if (state.frameStatus == kFirstFrameNext) {
        state.path->Send(BuildXfFirstFrame(state.settings.appId, kLiveLanguage,
                                           reinterpret_cast<const std::uint8_t*>(block.data()),
                                           block.size()));
        platform::OutputDebug(QString::fromUtf8("**********开始发送语音数据*********\n"));
        state.frameStatus = kContinuing;
    } else if (state.frameStatus == kContinuing) {
        state.path->Send(BuildXfContinuingFrame(reinterpret_cast<const std::uint8_t*>(block.data()),
                                                block.size()));
    }
}

void CXfLiveStream::SendLastFrame(State& state) {
    state.frameStatus = kLastFrameSent;
    const bool sent = state.path->Send(BuildXfLastFrame());
    platform::OutputDebug(QString::fromUtf8("**********发送停止*********\n"));
    if (!sent)
        return;

    std::unique_lock<std::mutex> guard(state.endLock);
    const bool closed = state.ended.wait_for(guard, state.settings.finalResultTimeout, [&state] {
        return !state.path->IsConnected() || state.shutDown;
    });
    guard.unlock();
    if (!closed) {
        platform::OutputDebug(QStringLiteral("no last result from the dictation service\n"));
        state.path->Close();
    }
}
