#pragma once

#include "speech/CSrRecorder.h"

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

class CSpeechRecognizer;

// What the recogniser reports to its owner. Calls come from the thread that drives the session
// at that moment: the recorder's callback thread while audio flows, the caller of
// StopListening afterwards.
struct SpeechRecNotifier {
    // One result text of the session; last marks the final one.
    std::function<void(const char* result, bool last)> onResult;
    // Listening has begun.
    std::function<void(CSpeechRecognizer& recognizer)> onSpeechBegin;
    // The session ended by itself: reason 0 for end of speech, else the library's error code.
    std::function<void(int reason)> onSpeechEnd;
};

// Runs sessions of the local recognition library: a session per listening period, fed either
// by the recogniser's own recorder (the system's default capture source) or by the caller.
// Functions return 0, one of the negative codes below, or the library's error code.
class CSpeechRecognizer {
public:
    enum AudioSource { kAudioFromMicrophone = 0, kAudioFromCaller = 1 };
    enum State { kNotListening = 0, kListening = 1 };

    static constexpr int kNoCaptureDevice = -1;
    static constexpr int kNoMemory = -2;
    static constexpr int kRecorderFailed = -4;
    static constexpr int kAlreadyListening = -5;

    // Used when Init is given no parameter text.
    static const char* DefaultParams();

    CSpeechRecognizer() = default;
    ~CSpeechRecognizer();
    CSpeechRecognizer(const CSpeechRecognizer&) = delete;
    CSpeechRecognizer& operator=(const CSpeechRecognizer&) = delete;

    // params may be null (DefaultParams). device names the capture source; empty for the
    // system default. A source that cannot be opened does not fail Init: every StartListening
    // then fails with kRecorderFailed.
    int Init(const char* params, int audioSource, const std::string& device,
             SpeechRecNotifier notifier);
    int StartListening();
    // Audio of the open session (16-bit mono samples). With the microphone the recorder calls
    // it; with audio from the caller, the caller does.
    int WriteAudio(const char* data, std::size_t length);
    // Finishes the session: the last block, then every result up to the final one.
    int StopListening();
    void Uninit();

    // Replaces the text the next sessions begin with.
    void SetParams(const std::string& params);
    std::string Params() const;
    // Forgets that a session is listening, so that the next StartListening opens a new one.
    void MarkNotListening();
    int GetState() const { return m_state.load(); }

private:
    static void OnRecorderData(const char* data, std::size_t length, void* user);

    int FetchResultLocked();
    void EndOnErrorLocked(int code);
    void EndOnSpeechEndLocked();
    void EndSessionLocked(const char* hint);
    void StopRecorder();
    void WaitUntilRecorderStopped();

    int m_audioSource = kAudioFromMicrophone;
    SpeechRecNotifier m_notifier;
    std::unique_ptr<CSrRecorder> m_recorder;

    // Held by whoever drives the session: the recorder's callback thread or the worker.
    mutable std::mutex m_sessionMutex;
    const char* m_session = nullptr;
    std::string m_params;

    // Shared with the recorder's callback thread.
    std::atomic<int> m_state{kNotListening};
    std::atomic<int> m_endpointStatus{0};
    std::atomic<int> m_recognitionStatus{0};
    std::atomic<int> m_audioStatus{1};
};
