#pragma once

#include "speech/CXfEngineWeb.h"
#include "speech/IEngineActions.h"
#include "speech/TranscriberSettings.h"
#include "speech/TranscriptionJob.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

class CTranscriptionSignal;

// What the recording transcriber's worker does: a begin starts one transcription on a thread
// of its own unless one is running; a quit stops it and waits for that thread. The outcome and
// the progress reach the listener from the transcription thread.
class XfWebEngineActions : public IEngineActions {
public:
    explicit XfWebEngineActions(TranscriberSettings settings);
    ~XfWebEngineActions() override;

    // Any thread.
    void SetListener(CXfEngineWeb::Listener listener);
    void SetJob(TranscriptionJob job);
    bool IsTranscribing() const;

    bool Prepare() override;
    void OnBegin() override;
    void OnEnd() override {}
    void OnQuit() override;
    void OnUpdate() override {}
    void CleanUp() override;

    // The engine is going away: stops a running transcription, waits for its thread, and lets
    // no report reach the listener afterwards. No transcription starts after it.
    void Shutdown();

private:
    struct Shared;
    static void RunTranscription(std::shared_ptr<Shared> shared, TranscriptionJob job,
                                 std::shared_ptr<CTranscriptionSignal> signal);
    void StopTranscription();

    std::shared_ptr<Shared> m_shared;
    std::mutex m_threadLock; // the thread, its signal and the shut-down flag
    std::thread m_thread;
    std::shared_ptr<CTranscriptionSignal> m_signal;
    bool m_shutDown = false;
};
