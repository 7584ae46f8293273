#pragma once

#include "speech/ThreadMessageQueue.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace platform {
class IAudioCapture;
}

// Capture format asked of CSrRecorder; only the sample rate varies (mono, 16-bit).
struct SrAudioFormat {
    unsigned sampleRate = 16000;
};

// The recorder of the local recogniser: four 200 ms buffers cycled through the capture source
// and a thread of its own that hands every filled buffer to the owner's callback.
class CSrRecorder {
public:
    using Callback = std::function<void(const char* data, std::size_t length, void* user)>;

    enum State { StateClosed = 0, StateOpen = 1, StateStopping = 2, StateRecording = 3 };

    static constexpr int kBufferCount = 4;
    static constexpr unsigned kBlockAlign = 2;
    // Audio kept for a callback that falls behind, in buffers (10 s at 200 ms); a block that
    // finds the backlog full is dropped and logged.
    static constexpr std::size_t kMaxBacklog = 50;
    // Start when the recorder is not open.
    static constexpr int kNotOpen = -4;

    static std::unique_ptr<CSrRecorder> Create(Callback callback, void* user);

    CSrRecorder(Callback callback, void* user);
    ~CSrRecorder();
    CSrRecorder(const CSrRecorder&) = delete;
    CSrRecorder& operator=(const CSrRecorder&) = delete;

    // Opens the capture source (empty: the default source) in the given format, or at 16 kHz
    // when none is given. Acts only when closed. Returns 0 also when the source cannot be
    // opened: everything made is undone, the recorder stays closed, the error is logged, and
    // the failure shows when Start answers kNotOpen.
    int Open(const std::string& source = std::string(), const SrAudioFormat* format = nullptr);
    // 0 when recording (also when it already was); kNotOpen when not open.
    int Start();
    // Only from recording (-1 otherwise); a capture error is returned and leaves the state
    // stopping. May be called from the callback.
    int Stop();
    // True when not recording and every buffer has come back from the source and the callback.
    bool IsStopped() const;
    // Not from the callback.
    void Close();

    int GetState() const { return m_state.load(); }
    std::size_t BufferBytes() const { return m_bufferBytes; }

    // 200 ms of audio at the given rate.
    static std::size_t BufferBytesFor(unsigned sampleRate);
    // The rate named by "sample_rate = N" in a session parameter text; 0 when none is named.
    static unsigned SampleRateFromParams(const std::string& params);

private:
    enum class Place { Free, InSource, Returned };
    struct Buffer {
        std::vector<char> data;
        std::size_t recorded = 0;
        Place place = Place::Free;
        std::atomic<int> userWord{0}; // 1-based number while queued, 0 once back after a stop
    };

    void OnBlock(const char* data, std::size_t length, bool partial);
    void QueueFreeBuffers();
    void ReturnQueuedBuffers();
    void RunCallbackThread();
    void ProcessReturnedBuffer(std::size_t number);
    void FillFromBacklog(std::size_t index);
    void EndCallbackThread();

    Callback m_callback;
    void* m_user;
    std::atomic<int> m_state{StateClosed};
    std::size_t m_bufferBytes = 0;
    int m_bufferCount = 0;

    std::mutex m_controlMutex; // Open/Start/Stop/Close
    std::unique_ptr<platform::IAudioCapture> m_capture;

    mutable std::mutex m_bufferMutex; // buffer places and the source's queue
    std::array<Buffer, kBufferCount> m_buffers;
    std::deque<std::size_t> m_sourceQueue; // indexes, in the order the source fills them
    // Blocks that came while every buffer was with the callback, oldest first.
    std::deque<std::vector<char>> m_backlog;

    std::shared_ptr<ThreadMessageQueue> m_threadQueue;
    std::thread m_callbackThread;
};
