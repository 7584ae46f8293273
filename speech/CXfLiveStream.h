#pragma once

#include "speech/XfStreamSettings.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class IIatCallBack;
class ThreadMessageQueue;

// The first vendor's live dictation stream beside the SDK session: while the voice key is held
// the shared capture's blocks go out as frames, and every result reaches the owner through
// IIatCallBack::OnResult (mode "apd", last = the vendor's last-sentence flag).
class CXfLiveStream {
public:
    // Called on the event-loop thread when a connection opens, with the queue of the new sender
    // thread; the engine hands it to the capture so that audio-data and audio-end reach it.
    using AttachSender = std::function<void(std::shared_ptr<ThreadMessageQueue>)>;

    // callback must outlive every stream thread, or Shutdown must have returned true.
    CXfLiveStream(XfStreamSettings settings, IIatCallBack* callback, AttachSender attachSender);

    // Starts a connection with a freshly signed address unless the stream is connected or
    // connecting. Without an address and credentials the stream stays off and says so once on
    // the debug channel. True when a connection attempt was started.
    bool Open();
    bool IsConnected() const;
    // True while the connect thread or the sender thread is still running.
    bool IsActive() const;
    // Closes an open connection normally; the stream never reconnects by itself.
    void Close();
    // For the owner's teardown: no connection is made any more and no result is delivered,
    // the open connection is closed and the senders are ended; waits until the connect and
    // sender threads have finished. False when they were still running after the wait.
    bool Shutdown();

private:
    struct State;
    static void HandleOpen(const std::shared_ptr<State>& state);
    static void HandleMessage(State& state, const std::string& payload);
    static void RunSender(std::shared_ptr<State> state, std::shared_ptr<ThreadMessageQueue> queue);
    static void SendAudioBlock(State& state, const std::vector<char>& block);
    static void SendLastFrame(State& state);
    static void EndSender(State& state);

    std::shared_ptr<State> m_state;
};
