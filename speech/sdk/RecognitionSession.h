#pragma once

#include "speech/sdk/DecoderCache.h"
#include "speech/sdk/ModelLocator.h"
#include "speech/sdk/ResultFormatter.h"
#include "speech/sdk/SessionParams.h"

#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace speechsdk {

// One recognition session on a warm decoder. The decoder's voice-activity detection splits the
// audio into sentences; each finished sentence becomes a result, and the session completes at
// the last audio block or when the end point is reached (vad_eos of silence after speech, or
// vad_bos without speech). Thread-safe: writes and fetches may come from different threads.
class RecognitionSession {
public:
    RecognitionSession(SessionParams params, ModelFiles model, DecoderPtr decoder);

    // Starts the first sentence; an error code when the decoder refuses.
    int Start();
    int Write(const void* data, unsigned int length, int audioStatus, int* endpointStatus,
              int* recognitionStatus);
    // The next result, kept readable until the session is destroyed; null when none waits.
    const char* NextResult(int* recognitionStatus);
    // Stops decoding and hands the decoder back for the next session.
    DecoderPtr Close();

    const ModelFiles& Model() const { return m_model; }

private:
    std::vector<int16_t> SamplesOf(const uint8_t* bytes, std::size_t length);
    bool Decode(const std::vector<int16_t>& samples);
    void FollowSpeechState(std::size_t sampleCount);
    void OfferPartial();
    // Ends the current sentence and queues its result; true when it held words.
    bool CloseSentence(bool last);
    void Complete();
    std::vector<std::string> WordsOf(const char* hypothesis, bool sentenceEnds) const;
    void Queue(SentenceResult result);
    int RecognitionStatusNow() const;

    std::mutex m_mutex;
    const SessionParams m_params;
    const ModelFiles m_model;
    const ResultFormatter m_formatter;
    const bool m_blankSeparated;
    DecoderPtr m_decoder;

    bool m_sentenceOpen = false;
    bool m_sentenceHasSpeech = false;
    bool m_complete = false;
    bool m_lastBlockWritten = false;
    int m_endpoint = 0;
    std::int64_t m_audioSamples = 0;
    std::int64_t m_silenceSamples = 0;
    std::int64_t m_postSpeechSamples = 0;
    std::optional<uint8_t> m_spareByte;
    int16_t m_previousSample = 0;

    int m_nextSn = 1;
    bool m_wordsHeard = false;
    int m_sentenceFirstSn = 0;
    std::string m_lastPartial;

    std::deque<std::string> m_pending;
    std::deque<std::string> m_delivered;
};

} // namespace speechsdk
