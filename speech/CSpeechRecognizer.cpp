#include "speech/CSpeechRecognizer.h"

#include "platform/IAudioEndpointList.h"
#include "speech/sdk/EngineParamTable.h"
#include "speech/sdk/SpeechSdk.h"

#include <chrono>
#include <new>
#include <thread>
#include <vector>

namespace {

constexpr auto kResultPollInterval = std::chrono::milliseconds(100);
// The library reaches the final result within a few polls once audio has ended; this only
// keeps a library that never does from holding the thread for ever (60 s of polling).
constexpr int kMaxResultPolls = 600;

bool SystemHasCaptureDevice() {
    std::vector<platform::AudioSourceInfo> sources;
    platform::CreateAudioEndpointList()->ListSources(sources);
    return !sources.empty();
}

} // namespace

const char* CSpeechRecognizer::DefaultParams() {
    static const std::string text = speechsdk::EngineParamTable::DefaultText();
    return text.c_str();
}

CSpeechRecognizer::~CSpeechRecognizer() {
    Uninit();
}

int CSpeechRecognizer::Init(const char* params, int audioSource, const std::string& device,
                            SpeechRecNotifier notifier) {
    if (audioSource == kAudioFromMicrophone && !SystemHasCaptureDevice())
        return kNoCaptureDevice;
    Uninit();

    std::lock_guard<std::mutex> guard(m_sessionMutex);
    m_state = kNotListening;
    m_endpointStatus = speechsdk::kEndpointLookingForSpeech;
    m_recognitionStatus = speechsdk::kRecognitionResultReady;
    m_audioStatus = speechsdk::kAudioFirst;
    m_audioSource = audioSource;
    try {
        m_params = params ? params : DefaultParams();
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
    m_notifier = std::move(notifier);
    if (audioSource != kAudioFromMicrophone)
        return 0;

    m_recorder = CSrRecorder::Create(&CSpeechRecognizer::OnRecorderData, this);
    SrAudioFormat format;
    if (const unsigned rate = CSrRecorder::SampleRateFromParams(m_params))
        format.sampleRate = rate;
    if (m_recorder->Open(device, &format) != 0) {
        m_recorder.reset();
        m_params.clear();
        m_notifier = SpeechRecNotifier();
        return kRecorderFailed;
    }
    return 0;
}

int CSpeechRecognizer::StartListening() {
    {
        std::lock_guard<std::mutex> guard(m_sessionMutex);
        if (m_state == kListening)
            return kAlreadyListening;
        // A session forgotten by MarkNotListening is ended rather than left open in the
        // library for ever.
        if (m_session)
            EndSessionLocked("normal");

        int error = 0;
        const char* session = speechsdk::SessionBegin(nullptr, m_params.c_str(), &error);
        if (error != 0 || !session)
            return error != 0 ? error : speechsdk::kErrorGeneral;
        m_session = session;
        m_endpointStatus = speechsdk::kEndpointLookingForSpeech;
        m_recognitionStatus = speechsdk::kRecognitionResultReady;
        m_audioStatus = speechsdk::kAudioFirst;
        if (m_recorder && m_recorder->Start() != 0) {
            EndSessionLocked("start record fail");
            return kRecorderFailed;
        }
        m_state = kListening;
    }
    if (m_notifier.onSpeechBegin)
        m_notifier.onSpeechBegin(*this);
    return 0;
}

int CSpeechRecognizer::WriteAudio(const char* data, std::size_t length) {
    std::lock_guard<std::mutex> guard(m_sessionMutex);
    if (!m_session)
        return speechsdk::kErrorInvalidHandle;
    int endpoint = m_endpointStatus;
    int recognition = m_recognitionStatus;
    int result = speechsdk::AudioWrite(m_session, data, static_cast<unsigned>(length),
                                       m_audioStatus, &endpoint, &recognition);
    if (result != 0) {
        EndOnErrorLocked(result);
        return result;
    }
    m_endpointStatus = endpoint;
    m_recognitionStatus = recognition;
    m_audioStatus = speechsdk::kAudioContinue;
    if (m_recognitionStatus == speechsdk::kRecognitionResultReady) {
        result = FetchResultLocked();
        if (result != 0) {
            EndOnErrorLocked(result);
            return result;
        }
    }
    if (m_endpointStatus == speechsdk::kEndpointAfterSpeech)
        EndOnSpeechEndLocked();
    return 0;
}

int CSpeechRecognizer::StopListening() {
    if (m_state != kListening)
        return 0;
    if (m_recorder) {
        // End of speech may be stopping the recorder on its own thread at this moment; only a
        // stop that fails on the capture itself counts as a failure.
        if (m_recorder->GetState() == CSrRecorder::StateRecording && m_recorder->Stop() != 0 &&
            m_recorder->GetState() == CSrRecorder::StateStopping)
            return kRecorderFailed;
        WaitUntilRecorderStopped();
    }

    std::lock_guard<std::mutex> guard(m_sessionMutex);
    // The session may have ended by itself while the recorder was being stopped.
    if (m_state != kListening || !m_session)
        return 0;
    m_state = kNotListening;
    int endpoint = m_endpointStatus;
    int recognition = m_recognitionStatus;
    int result = speechsdk::AudioWrite(m_session, nullptr, 0, speechsdk::kAudioLast, &endpoint,
                                       &recognition);
    if (result != 0) {
        EndSessionLocked("write err");
        return result;
    }
    m_endpointStatus = endpoint;
    m_recognitionStatus = recognition;
    for (int poll = 0;
         poll < kMaxResultPolls && m_recognitionStatus != speechsdk::kRecognitionComplete; ++poll) {
        result = FetchResultLocked();
        if (result != 0) {
            EndOnErrorLocked(result);
            return result;
        }
        if (m_recognitionStatus != speechsdk::kRecognitionComplete)
            std::this_thread::sleep_for(kResultPollInterval);
    }
    EndSessionLocked("normal");
    return 0;
}

void CSpeechRecognizer::Uninit() {
    // Closing joins the recorder's callback thread, which may be waiting for the session lock.
    if (m_recorder) {
        if (!m_recorder->IsStopped())
            m_recorder->Stop();
        m_recorder->Close();
        m_recorder.reset();
    }
    std::lock_guard<std::mutex> guard(m_sessionMutex);
    if (m_session)
        EndSessionLocked("normal");
    m_state = kNotListening;
    m_params.clear();
    m_notifier = SpeechRecNotifier();
}

void CSpeechRecognizer::SetParams(const std::string& params) {
    std::lock_guard<std::mutex> guard(m_sessionMutex);
    m_params = params;
}

std::string CSpeechRecognizer::Params() const {
    std::lock_guard<std::mutex> guard(m_sessionMutex);
    return m_params;
}

void CSpeechRecognizer::MarkNotListening() {
    m_state = kNotListening;
}

void CSpeechRecognizer::OnRecorderData(const char* data, std::size_t length, void* user) {
    auto* self = static_cast<CSpeechRecognizer*>(user);
    if (!data || length == 0 || self->m_endpointStatus >= speechsdk::kEndpointAfterSpeech)
        return;
    self->WriteAudio(data, length);
}

int CSpeechRecognizer::FetchResultLocked() {
    int recognition = m_recognitionStatus;
    int error = 0;
    const char* text = speechsdk::GetResult(m_session, &recognition, 0, &error);
    if (error != 0)
        return error;
    m_recognitionStatus = recognition;
    if (text && m_notifier.onResult)
        m_notifier.onResult(text, recognition == speechsdk::kRecognitionComplete);
    return 0;
}

void CSpeechRecognizer::EndOnErrorLocked(int code) {
    StopRecorder();
    if (m_session) {
        if (m_notifier.onSpeechEnd)
            m_notifier.onSpeechEnd(code);
        EndSessionLocked("err");
    }
    m_state = kNotListening;
}

void CSpeechRecognizer::EndOnSpeechEndLocked() {
    StopRecorder();
    for (int poll = 0;
         poll < kMaxResultPolls && m_recognitionStatus != speechsdk::kRecognitionComplete; ++poll) {
        const int result = FetchResultLocked();
        if (result != 0) {
            EndOnErrorLocked(result);
            return;
        }
        if (m_recognitionStatus != speechsdk::kRecognitionComplete)
            std::this_thread::sleep_for(kResultPollInterval);
    }
    if (m_session) {
        if (m_notifier.onSpeechEnd)
            m_notifier.onSpeechEnd(0);
        EndSessionLocked("VAD Normal");
    }
    m_state = kNotListening;
}

void CSpeechRecognizer::EndSessionLocked(const char* hint) {
    speechsdk::SessionEnd(m_session, hint);
    m_session = nullptr;
}

void CSpeechRecognizer::StopRecorder() {
    if (m_recorder && m_recorder->GetState() == CSrRecorder::StateRecording)
        m_recorder->Stop();
}

void CSpeechRecognizer::WaitUntilRecorderStopped() {
    while (!m_recorder->IsStopped())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}
