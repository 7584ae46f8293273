#pragma once

#include "speech/ThreadMessageQueue.h"
#include "ui/framework/WindowConstants.h"

#include <atomic>
#include <cstddef>
#include <cstdio>
#include <memory>
#include <mutex>

namespace platform {
class IAudioCapture;
}

// The microphone capture shared by the streaming engines: the default source at 16 kHz, mono,
// 16-bit, in 100 ms blocks. Each block goes, as its own copy, to the sender thread of the
// current streaming connection and is appended to the open recording file.
// Functions return 0 on success and a negative error code on failure.
class CWaveRecorder {
public:
    enum State { Idle = 0, Stopping = 1, Recording = 2 };

    static constexpr unsigned kAudioDataMessage = ui::WM_USER + 112; // one block in data
    static constexpr unsigned kAudioEndMessage = ui::WM_USER + 113;  // capture has stopped
    static constexpr std::size_t kBlockBytes = 3200;
    static constexpr unsigned kSampleRate = 16000;
    // Start before Open.
    static constexpr int kNotOpen = -5;

    // The process-wide recorder the engines use.
    static CWaveRecorder& Shared();

    CWaveRecorder();
    ~CWaveRecorder();
    CWaveRecorder(const CWaveRecorder&) = delete;
    CWaveRecorder& operator=(const CWaveRecorder&) = delete;

    // Opens the default capture source; state idle. Opening again reopens.
    int Open();
    // -1 when already recording.
    int Start();
    // -1 unless recording. Tells the sender thread that audio has ended and forgets it; the
    // samples of the unfinished block are dropped.
    int Stop();
    int Close();

    int GetState() const { return m_state.load(); }
    bool IsOpen() const;

    // The queue of the thread that sends the blocks, or none.
    void SetSenderThread(std::shared_ptr<ThreadMessageQueue> sender);
    // The sender of a connection that has just opened. While recording it gets the blocks
    // from now on; otherwise capture has already stopped, so it is told at once that audio has
    // ended and is not kept (it would idle, and take the next session's blocks to an old
    // connection).
    void AttachSender(std::shared_ptr<ThreadMessageQueue> sender);
    std::shared_ptr<ThreadMessageQueue> SenderThread() const;

    // The file blocks are appended to, or none. Once this returns, the previous file is no
    // longer written, so its owner may close it.
    void SetRecordingFile(std::shared_ptr<std::FILE> file);

private:
    void OnBlock(const char* data, std::size_t length, bool partial);
    void EndSenderStream();

    mutable std::mutex m_controlMutex; // Open/Start/Stop/Close
    std::unique_ptr<platform::IAudioCapture> m_capture;
    std::atomic<int> m_state{Idle};

    mutable std::mutex m_outputMutex; // sender and recording file
    std::shared_ptr<ThreadMessageQueue> m_sender;
    std::shared_ptr<std::FILE> m_recordingFile;
};
