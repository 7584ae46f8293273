#include "speech/XfWebEngineActions.h"

#include "app/Log.h"
#include "platform/DebugChannel.h"
#include "speech/CLocalTranscriber.h"
#include "speech/CProgressThrottle.h"
#include "speech/CTranscriptionSignal.h"
#include "speech/CXfRecordingStream.h"

#include <system_error>

// What the transcription thread shares with the engine. Reports go out under the lock, so
// once Shutdown has closed it none is under way and none follows.
struct XfWebEngineActions::Shared {
    explicit Shared(TranscriberSettings s) : settings(std::move(s)) {}

    const TranscriberSettings settings;
    std::atomic<bool> running{false};

    std::mutex jobLock;
    TranscriptionJob job;

    std::mutex reportLock;
    CXfEngineWeb::Listener listener;
    bool closed = false;

    void Progress(int percent) {
        std::lock_guard<std::mutex> guard(reportLock);
        if (!closed && listener.progress)
            listener.progress(percent);
    }
    void Finished(bool failed) {
        std::lock_guard<std::mutex> guard(reportLock);
        if (!closed && listener.finished)
            listener.finished(failed);
    }
};

XfWebEngineActions::XfWebEngineActions(TranscriberSettings settings)
    : m_shared(std::make_shared<Shared>(std::move(settings))) {}

XfWebEngineActions::~XfWebEngineActions() {
    Shutdown();
}

void XfWebEngineActions::SetListener(CXfEngineWeb::Listener listener) {
    std::lock_guard<std::mutex> guard(m_shared->reportLock);
    m_shared->listener = std::move(listener);
}

void XfWebEngineActions::SetJob(TranscriptionJob job) {
    std::lock_guard<std::mutex> guard(m_shared->jobLock);
    m_shared->job = std::move(job);
}

bool XfWebEngineActions::IsTranscribing() const {
    return m_shared->running.load();
}

bool XfWebEngineActions::Prepare() {
    platform::OutputDebug(QStringLiteral("********************xf_init\n"));
    return true;
}

void XfWebEngineActions::OnBegin() {
    std::lock_guard<std::mutex> guard(m_threadLock);
    if (m_shutDown || m_shared->running.load())
        return;
    // The previous transcription has reported; its thread is at most finishing.
    if (m_thread.joinable())
        m_thread.join();
    TranscriptionJob job;
    {
        std::lock_guard<std::mutex> jobGuard(m_shared->jobLock);
        job = m_shared->job;
    }
    m_signal = std::make_shared<CTranscriptionSignal>();
    m_shared->running = true;
    try {
        m_thread = std::thread(RunTranscription, m_shared, std::move(job), m_signal);
    } catch (const std::system_error&) {
        m_shared->running = false;
        platform::OutputDebug(QStringLiteral("create thread failed\n"));
        m_shared->Finished(true);
    }
}

void XfWebEngineActions::OnQuit() {
    StopTranscription();
}

void XfWebEngineActions::CleanUp() {
    platform::OutputDebug(QStringLiteral("***********************xf_uninit\n"));
}

void XfWebEngineActions::Shutdown() {
    {
        std::lock_guard<std::mutex> guard(m_threadLock);
        m_shutDown = true;
    }
    StopTranscription();
    std::lock_guard<std::mutex> guard(m_shared->reportLock);
    m_shared->closed = true;
}

void XfWebEngineActions::StopTranscription() {
    std::lock_guard<std::mutex> guard(m_threadLock);
    if (m_signal)
        m_signal->RequestStop();
    if (m_thread.joinable())
        m_thread.join();
}

void XfWebEngineActions::RunTranscription(std::shared_ptr<Shared> shared, TranscriptionJob job,
                                          std::shared_ptr<CTranscriptionSignal> signal) {
    CProgressThrottle throttle;
    const auto progress = [&shared, &throttle](std::uint64_t done, std::uint64_t total) {
        if (const auto percent = throttle.Update(done, total, CProgressThrottle::Clock::now()))
            shared->Progress(*percent);
    };

    TranscriptionOutcome outcome;
    if (shared->settings.UsesVendor()) {
        CXfRecordingStream stream(shared->settings, std::move(job), signal, progress);
        outcome = stream.Run();
    } else {
        CLocalTranscriber transcriber(shared->settings.sdkLoginParams, std::move(job), signal,
                                      progress);
        outcome = transcriber.Run();
    }

    if (outcome == TranscriptionOutcome::Done) {
        // The last percentage keeps the pace of the others; a quit only shortens the wait.
        signal->SleepUntil(throttle.FinalAt());
        throttle.Finished(CProgressThrottle::Clock::now());
        shared->Progress(100);
    } else if (outcome == TranscriptionOutcome::Stopped) {
        applog::Info(QStringLiteral("transcription stopped by quit"));
    }
    shared->running = false;
    shared->Finished(outcome != TranscriptionOutcome::Done);
}
