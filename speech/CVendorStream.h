#pragma once

#include "speech/CWebSocketPath.h"
#include "speech/StreamDelivery.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class IIatCallBack;
class ThreadMessageQueue;

// One streaming vendor's connection per voice session, as the "sg" and "sh" engines share it:
// the WebSocket path, the sender thread that turns the capture's blocks into frames, the end
// message after the last block, a cap on how long the vendor may take to end the stream after
// it, the `engine` open/closed events, and the owner's reports. The vendor's own frames and
// replies are the subclass's. Made with the subclass's Create (always held by shared_ptr).
class CVendorStream : public std::enable_shared_from_this<CVendorStream> {
public:
    // Called with the queue of a new sender thread; the engine hands it to the capture so that
    // audio-data and audio-end reach it.
    using AttachSender = std::function<void(std::shared_ptr<ThreadMessageQueue>)>;

    struct Settings {
        const char* engine = ""; // "sg" or "sh", for events and log lines
        CWebSocketPath::Transport transport = CWebSocketPath::Transport::Plain;
        std::string caFile;
        // After the end message the vendor has this long to end the stream; then the engine
        // closes it, so a silent vendor cannot hold the session.
        std::chrono::milliseconds endCap{10000};
    };

    virtual ~CVendorStream() = default;
    CVendorStream(const CVendorStream&) = delete;
    CVendorStream& operator=(const CVendorStream&) = delete;

    // Starts a connection unless one is open or being opened; voiceMode is the session's. The
    // address may carry credentials: it is never logged.
    bool Open(const std::string& address, int voiceMode);
    bool IsConnected() const;
    // True while a connect, sender or end-cap thread runs.
    bool IsActive() const;
    // For the engine's teardown: no more connections, sends or reports; the open connection
    // is closed and the senders ended; waits for every thread. False when some still ran.
    bool Shutdown();

protected:
    CVendorStream(Settings settings, std::shared_ptr<IIatCallBack> owner,
                  AttachSender attachSender);
    // Installs the path's handlers; Create calls it once the object is owned.
    void Init();

    // Event-loop thread: the connection opened / a message came (text, at most 1 MiB).
    virtual void OnOpened() = 0;
    virtual void OnMessage(const std::string& payload) = 0;
    // Sender thread: one captured block as a frame.
    virtual std::string AudioMessage(const std::vector<char>& block) = 0;
    // The frame that ends the stream, after the last block.
    virtual std::string EndMessage() = 0;
    // A stream that opened has ended (the vendor closed, the connection dropped, the cap).
    virtual void OnStreamEnded() = 0;
    // The connection never opened; httpStatus as CWebSocketPath::Handlers::onFailed.
    virtual void OnConnectFailed(int httpStatus) = 0;

    bool Send(const std::string& text);
    void Close();
    // Starts this stream's sender unless it has one, its end was sent, or shutdown began.
    bool StartSender();
    // Sends the end frame once per stream, then starts the cap.
    bool SendEnd();
    // The worker's end for a stream whose sender has not started: the sender sends it itself
    // after the last block otherwise.
    bool SendEndUnlessSending();
    void Deliver(const StreamDelivery& delivery);
    IIatCallBack* Owner() const { return m_owner.get(); }
    int VoiceMode() const { return m_voiceMode.load(); }
    const char* Engine() const { return m_settings.engine; }
    bool IsShutDown() const { return m_shutDown.load(); }

private:
    void HandleOpen();
    void HandleMessage(const std::string& payload);
    void HandleClose();
    void HandleFailed(int httpStatus);
    void NotifyChanged();
    bool SendEndFrame(bool onlyWithoutSender);
    void StartEndCap(int generation);
    void RunSender(std::shared_ptr<ThreadMessageQueue> queue);
    void RunEndCap(int generation);
    void ThreadEnded();

    const Settings m_settings;
    const std::shared_ptr<IIatCallBack> m_owner;
    const AttachSender m_attachSender;
    std::shared_ptr<CWebSocketPath> m_path;
    std::atomic<int> m_voiceMode{0};
    std::atomic<bool> m_shutDown{false};
    std::atomic<bool> m_streamOpen{false};

    mutable std::mutex m_lock; // everything below
    std::condition_variable m_changed;
    int m_threads = 0;    // senders and caps
    int m_generation = 0; // one per opened stream
    bool m_senderStarted = false;
    bool m_endSent = false;
    std::vector<std::weak_ptr<ThreadMessageQueue>> m_senders;
    // Held while the end frame is decided on and sent, so the worker's and the sender's end
    // never both go out.
    std::mutex m_endLock;
};
