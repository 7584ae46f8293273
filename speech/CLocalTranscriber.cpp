#include "speech/CLocalTranscriber.h"

#include "app/Log.h"
#include "platform/DebugChannel.h"
#include "speech/CTranscriptFile.h"
#include "speech/CTranscriptionSignal.h"
#include "speech/JsonFrames.h"
#include "speech/PcmFile.h"
#include "speech/sdk/ResultWords.h"
#include "speech/sdk/SpeechSdk.h"

#include <json/json.h>

#include <vector>

namespace {

// 200 ms of 16 kHz mono 16-bit audio.
constexpr std::size_t kWriteBytes = 6400;

bool IsPlainCode(const std::string& code) {
    if (code.empty())
        return false;
    for (const char c : code) {
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        const bool digit = c >= '0' && c <= '9';
        if (!letter && !digit && c != '_' && c != '-')
            return false;
    }
    return true;
}

bool IsAsciiWordByte(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte > 0x20 && byte < 0x80;
}

// The words of one JSON result; empty for anything else.
std::string ResultText(const char* result) {
    Json::Value root;
    if (result == nullptr || !ReadJsonMessage(result, root) || !root.isObject())
        return std::string();
    return speechsdk::JoinResultWords(root["ws"]);
}

} // namespace

CLocalTranscriber::CLocalTranscriber(std::string loginParams, TranscriptionJob job,
                                     std::shared_ptr<CTranscriptionSignal> signal,
                                     Progress progress)
    : m_loginParams(std::move(loginParams)), m_job(std::move(job)), m_signal(std::move(signal)),
      m_progress(std::move(progress)) {}

std::string CLocalTranscriber::SessionParamsFor(const std::string& language) {
    if (!IsPlainCode(language))
        return std::string();
    return "language = " + language +
           ", accent = mandarin, sample_rate = 16000, result_type = json, "
           "result_encoding = utf8, ptt = 1";
}

std::string CLocalTranscriber::Joined(char last, const std::string& text) {
    if (text.empty() || !IsAsciiWordByte(last) || !IsAsciiWordByte(text.front()))
        return text;
    return " " + text;
}

TranscriptionOutcome CLocalTranscriber::Run() {
    std::ifstream pcm;
    std::uint64_t total = 0;
    if (!OpenPcmFile(m_job.pcmPath, pcm, total)) {
        applog::Warning(QStringLiteral("transcription: the recording's PCM file cannot be read"));
        return TranscriptionOutcome::Failed;
    }
    CTranscriptFile transcript;
    if (!transcript.Open(m_job.txtPath)) {
        applog::Warning(QStringLiteral("transcription: the text file cannot be created"));
        return TranscriptionOutcome::Failed;
    }
    const std::string params = SessionParamsFor(m_job.language);
    if (params.empty()) {
        applog::Warning(QStringLiteral("transcription: the recording's language is not a "
                                       "language code"));
        return TranscriptionOutcome::Failed;
    }

    const TranscriptionOutcome outcome = Decode(pcm, total, transcript, params);
    if (outcome != TranscriptionOutcome::Done) {
        transcript.Discard();
        return outcome;
    }
    platform::OutputDebug(QStringLiteral("txt close\n"));
    if (!transcript.Commit()) {
        applog::Warning(QStringLiteral("transcription: the text file cannot be written"));
        return TranscriptionOutcome::Failed;
    }
    return TranscriptionOutcome::Done;
}

TranscriptionOutcome CLocalTranscriber::Decode(std::ifstream& pcm, std::uint64_t total,
                                               CTranscriptFile& transcript,
                                               const std::string& params) {
    std::uint64_t decoded = 0;
    std::vector<char> chunk(kWriteBytes);
    const char* session = nullptr;
    int audioStatus = speechsdk::kAudioFirst;
    bool signedIn = false;

    const auto fail = [&session](const char* hint) {
        if (session != nullptr)
            speechsdk::SessionEnd(session, hint);
        return TranscriptionOutcome::Failed;
    };

    for (;;) {
        if (m_signal->StopRequested()) {
            if (session != nullptr)
                speechsdk::SessionEnd(session, "stopped");
            return TranscriptionOutcome::Stopped;
        }
        pcm.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        const auto got = static_cast<std::size_t>(pcm.gcount());
        if (pcm.bad()) {
            applog::Warning(QStringLiteral("transcription: reading the PCM file failed"));
            return fail("err");
        }
        if (got == 0)
            break;
        if (session == nullptr) {
            if (!signedIn)
                speechsdk::SignIn(nullptr, nullptr, m_loginParams.c_str());
            signedIn = true;
            int error = speechsdk::kSuccess;
            session = speechsdk::SessionBegin(nullptr, params.c_str(), &error);
            if (session == nullptr) {
                applog::Warning(QStringLiteral("transcription: no offline recognition for this "
                                               "language (error %1)")
                                    .arg(error));
                return TranscriptionOutcome::Failed;
            }
            audioStatus = speechsdk::kAudioFirst;
        }
        int endpoint = speechsdk::kEndpointLookingForSpeech;
        int recognition = speechsdk::kRecognitionIncomplete;
        if (speechsdk::AudioWrite(session, chunk.data(), static_cast<unsigned int>(got),
                                  audioStatus, &endpoint, &recognition) != speechsdk::kSuccess)
            return fail("write err");
        audioStatus = speechsdk::kAudioContinue;
        decoded += got;
        if (m_progress)
            m_progress(decoded, total);
        if (!TakeResults(session, transcript))
            return fail("err");
        if (endpoint == speechsdk::kEndpointAfterSpeech) {
            const bool finished = FinishSession(session, transcript);
            session = nullptr;
            if (!finished)
                return TranscriptionOutcome::Failed;
        }
        if (got < chunk.size())
            break;
    }
    if (session == nullptr)
        return TranscriptionOutcome::Done;
    int endpoint = 0;
    int recognition = 0;
    if (speechsdk::AudioWrite(session, nullptr, 0, speechsdk::kAudioLast, &endpoint,
                              &recognition) != speechsdk::kSuccess)
        return fail("write err");
    return FinishSession(session, transcript) ? TranscriptionOutcome::Done
                                              : TranscriptionOutcome::Failed;
}

// Takes every result waiting in the session.
bool CLocalTranscriber::TakeResults(const char* session, CTranscriptFile& transcript) {
    for (;;) {
        int recognition = speechsdk::kRecognitionIncomplete;
        int error = speechsdk::kSuccess;
        const char* result = speechsdk::GetResult(session, &recognition, 0, &error);
        if (error != speechsdk::kSuccess)
            return false;
        if (result == nullptr)
            return true;
        const std::string text = Joined(m_lastByte, ResultText(result));
        if (text.empty())
            continue;
        if (!transcript.Append(text))
            return false;
        m_lastByte = text.back();
    }
}

// The session has reached its end point or taken its last block: its results are all made.
bool CLocalTranscriber::FinishSession(const char* session, CTranscriptFile& transcript) {
    const bool taken = TakeResults(session, transcript);
    speechsdk::SessionEnd(session, taken ? "normal" : "err");
    return taken;
}
