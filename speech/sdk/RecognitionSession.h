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

    const ModelFiles& Model() const { return model_; }

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

    std::mutex mutex_;
    const SessionParams params_;
    const ModelFiles model_;
    const ResultFormatter formatter_;
    const bool blankSeparated_;
    DecoderPtr decoder_;

    bool sentenceOpen_ = false;
    bool sentenceHasSpeech_ = false;
    bool complete_ = false;
    bool lastBlockWritten_ = false;
    int endpoint_ = 0;
    std::int64_t audioSamples_ = 0;
    std::int64_t silenceSamples_ = 0;
    std::int64_t postSpeechSamples_ = 0;
    std::optional<uint8_t> spareByte_;
    int16_t previousSample_ = 0;

    int nextSn_ = 1;
    bool wordsHeard_ = false;
    int sentenceFirstSn_ = 0;
    std::string lastPartial_;

    std::deque<std::string> pending_;
    std::deque<std::string> delivered_;
};

} // namespace speechsdk
