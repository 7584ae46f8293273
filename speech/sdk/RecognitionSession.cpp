#include "speech/sdk/RecognitionSession.h"

#include "speech/sdk/SpeechSdk.h"

#include <pocketsphinx.h>

#include <sstream>

namespace speechsdk {
namespace {

constexpr std::int64_t kSamplesPerMs = 16;

bool IsBlankSeparated(const std::string& language) {
    return language.rfind("zh", 0) != 0 && language.rfind("ja", 0) != 0;
}

} // namespace

RecognitionSession::RecognitionSession(SessionParams params, ModelFiles model, DecoderPtr decoder)
    : params_(std::move(params)), model_(std::move(model)), formatter_(params_),
      blankSeparated_(IsBlankSeparated(params_.language)), decoder_(std::move(decoder)) {
    // The detector declares silence only after its hangover; that silence counts towards vad_eos.
    const int frameRate = cmd_ln_int32_r(ps_get_config(decoder_.get()), "-frate");
    const int hangoverFrames = cmd_ln_int32_r(ps_get_config(decoder_.get()), "-vad_postspeech");
    if (frameRate > 0)
        postSpeechSamples_ = std::int64_t(hangoverFrames) * 16000 / frameRate;
}

int RecognitionSession::Start() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (ps_start_utt(decoder_.get()) < 0)
        return kErrorGeneral;
    sentenceOpen_ = true;
    return kSuccess;
}

int RecognitionSession::Write(const void* data, unsigned int length, int audioStatus,
                              int* endpointStatus, int* recognitionStatus) {
    if (endpointStatus == nullptr || recognitionStatus == nullptr ||
        (data == nullptr && length > 0))
        return kErrorInvalidParameter;
    if (audioStatus != kAudioFirst && audioStatus != kAudioContinue && audioStatus != kAudioLast)
        return kErrorInvalidParameterValue;
    std::lock_guard<std::mutex> lock(mutex_);
    if (!decoder_)
        return kErrorInvalidHandle; // ended by another thread after the caller found it
    if (lastBlockWritten_)
        return kErrorInvalidOperation;
    if (!complete_) {
        const auto samples = SamplesOf(static_cast<const uint8_t*>(data), length);
        if (!samples.empty()) {
            if (!Decode(samples))
                return kErrorGeneral;
            FollowSpeechState(samples.size());
        }
        if (audioStatus == kAudioLast && !complete_)
            Complete();
    }
    lastBlockWritten_ = audioStatus == kAudioLast;
    *endpointStatus = endpoint_;
    *recognitionStatus = RecognitionStatusNow();
    return kSuccess;
}

const char* RecognitionSession::NextResult(int* recognitionStatus) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (pending_.empty()) {
        if (recognitionStatus != nullptr)
            *recognitionStatus = complete_ ? kRecognitionComplete : kRecognitionIncomplete;
        return nullptr;
    }
    delivered_.push_back(std::move(pending_.front()));
    pending_.pop_front();
    if (recognitionStatus != nullptr)
        *recognitionStatus =
            pending_.empty() && complete_ ? kRecognitionComplete : kRecognitionResultReady;
    return delivered_.back().c_str();
}

DecoderPtr RecognitionSession::Close() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (sentenceOpen_ && decoder_)
        ps_end_utt(decoder_.get());
    sentenceOpen_ = false;
    complete_ = true;
    return std::move(decoder_);
}

std::vector<int16_t> RecognitionSession::SamplesOf(const uint8_t* bytes, std::size_t length) {
    std::vector<uint8_t> raw;
    raw.reserve(length + 1);
    if (spareByte_)
        raw.push_back(*spareByte_);
    spareByte_.reset();
    if (length > 0)
        raw.insert(raw.end(), bytes, bytes + length);
    if (raw.size() % 2 != 0) {
        spareByte_ = raw.back();
        raw.pop_back();
    }
    std::vector<int16_t> samples;
    samples.reserve(params_.sampleRate == 8000 ? raw.size() : raw.size() / 2);
    for (std::size_t i = 0; i + 1 < raw.size(); i += 2) {
        const auto sample = static_cast<int16_t>(uint16_t(raw[i]) | uint16_t(raw[i + 1]) << 8);
        // The models are trained on 16 kHz audio: 8 kHz audio gets a midpoint between samples.
        if (params_.sampleRate == 8000)
            samples.push_back(static_cast<int16_t>((int(previousSample_) + sample) / 2));
        samples.push_back(sample);
        previousSample_ = sample;
    }
    return samples;
}

bool RecognitionSession::Decode(const std::vector<int16_t>& samples) {
    return ps_process_raw(decoder_.get(), samples.data(), samples.size(), FALSE, FALSE) >= 0;
}

void RecognitionSession::FollowSpeechState(std::size_t sampleCount) {
    audioSamples_ += std::int64_t(sampleCount);
    if (ps_get_in_speech(decoder_.get())) {
        sentenceHasSpeech_ = true;
        endpoint_ = kEndpointInSpeech;
        silenceSamples_ = 0;
        if (params_.progressive)
            OfferPartial();
        return;
    }
    if (sentenceHasSpeech_) {
        // The detector also fires on a change of background noise (always at first, before it
        // has learned the room); only a stretch that yields words counts as speech.
        CloseSentence(false);
        if (ps_start_utt(decoder_.get()) >= 0)
            sentenceOpen_ = true;
        silenceSamples_ = postSpeechSamples_;
        endpoint_ = wordsHeard_ ? kEndpointInSpeech : kEndpointLookingForSpeech;
    } else if (wordsHeard_) {
        silenceSamples_ += std::int64_t(sampleCount);
    }
    const bool silenceAfterSpeech =
        wordsHeard_ && silenceSamples_ >= std::int64_t(params_.vadEosMs) * kSamplesPerMs;
    const bool noSpeechAtAll =
        !wordsHeard_ && audioSamples_ >= std::int64_t(params_.vadBosMs) * kSamplesPerMs;
    if (silenceAfterSpeech || noSpeechAtAll || !sentenceOpen_) {
        endpoint_ = kEndpointAfterSpeech;
        Complete();
    }
}

void RecognitionSession::OfferPartial() {
    const char* hypothesis = ps_get_hyp(decoder_.get(), nullptr);
    const std::string partial = hypothesis != nullptr ? hypothesis : "";
    if (partial.empty() || partial == lastPartial_)
        return;
    SentenceResult result;
    result.words = WordsOf(hypothesis, false);
    if (lastPartial_.empty()) {
        sentenceFirstSn_ = nextSn_;
        result.pgs = "apd";
    } else {
        result.pgs = "rpl";
        result.replaceFirst = sentenceFirstSn_;
        result.replaceLast = nextSn_ - 1;
    }
    lastPartial_ = partial;
    Queue(std::move(result));
}

bool RecognitionSession::CloseSentence(bool last) {
    const bool wasOpen = sentenceOpen_;
    if (wasOpen)
        ps_end_utt(decoder_.get());
    sentenceOpen_ = false;
    sentenceHasSpeech_ = false;
    // A sentence that never started has no hypothesis of its own.
    const char* hypothesis = wasOpen ? ps_get_hyp(decoder_.get(), nullptr) : nullptr;
    SentenceResult result;
    result.last = last;
    result.words = WordsOf(hypothesis, true);
    const bool hasWords = !result.words.empty();
    const bool replacesPartials = !lastPartial_.empty();
    if (!hasWords && !last && !replacesPartials)
        return false;
    if (params_.progressive) {
        result.pgs = replacesPartials ? "rpl" : "apd";
        result.replaceFirst = replacesPartials ? sentenceFirstSn_ : 0;
        result.replaceLast = replacesPartials ? nextSn_ - 1 : 0;
    }
    if (hasWords)
        wordsHeard_ = true;
    lastPartial_.clear();
    Queue(std::move(result));
    return hasWords;
}

void RecognitionSession::Complete() {
    CloseSentence(true);
    complete_ = true;
}

std::vector<std::string> RecognitionSession::WordsOf(const char* hypothesis,
                                                     bool sentenceEnds) const {
    std::vector<std::string> words;
    std::istringstream stream(hypothesis != nullptr ? hypothesis : "");
    std::string word;
    while (stream >> word) {
        const bool needsBlank = blankSeparated_ && (wordsHeard_ || !words.empty());
        words.push_back(needsBlank ? " " + word : word);
    }
    if (sentenceEnds && params_.punctuation && !words.empty())
        words.push_back(blankSeparated_ ? "." : "\xE3\x80\x82");
    return words;
}

void RecognitionSession::Queue(SentenceResult result) {
    result.sn = nextSn_++;
    pending_.push_back(formatter_.Format(result));
}

int RecognitionSession::RecognitionStatusNow() const {
    if (!pending_.empty())
        return kRecognitionResultReady;
    return complete_ ? kRecognitionComplete : kRecognitionIncomplete;
}

} // namespace speechsdk
