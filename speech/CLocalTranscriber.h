#pragma once

#include "speech/TranscriptionJob.h"
#include "speech/TranscriptionOutcome.h"

#include <cstdint>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

class CTranscriptFile;
class CTranscriptionSignal;

// One recording transcribed on this machine by the local recogniser (speech/sdk/), for when no
// dictation service is configured. The PCM goes to the recogniser in 200 ms writes as fast as
// it decodes; each end point closes the session and the next write opens a new one, so a long
// recording is recognised sentence after sentence. The texts are appended to the text file,
// which replaces the previous one only when the whole recording has been decoded.
// Runs on the transcription thread; checks for a stop between writes.
class CLocalTranscriber {
public:
    using Progress = std::function<void(std::uint64_t decoded, std::uint64_t total)>;

    CLocalTranscriber(std::string loginParams, TranscriptionJob job,
                      std::shared_ptr<CTranscriptionSignal> signal, Progress progress);

    // Failed when a file cannot be opened, the language has no model or decoding fails.
    TranscriptionOutcome Run();

    // The session parameter text for a language code ("en_us", "zh_cn"); empty when the code
    // is not letters, digits, '_' and '-' only (it would read as more parameters).
    static std::string SessionParamsFor(const std::string& language);
    // Text b appended to text that ends with byte last: words of blank-separated languages
    // from two sessions get a blank between them.
    static std::string Joined(char last, const std::string& text);

private:
    TranscriptionOutcome Decode(std::ifstream& pcm, std::uint64_t total,
                                CTranscriptFile& transcript, const std::string& params);
    bool TakeResults(const char* session, CTranscriptFile& transcript);
    bool FinishSession(const char* session, CTranscriptFile& transcript);

    std::string m_loginParams;
    TranscriptionJob m_job;
    std::shared_ptr<CTranscriptionSignal> m_signal;
    Progress m_progress;
    char m_lastByte = 0;
};
