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
    : m_params(std::move(params)), m_model(std::move(model)), m_formatter(m_params),
      m_blankSeparated(IsBlankSeparated(m_params.language)), m_decoder(std::move(decoder)) {
    // The detector declares silence only after its hangover; that silence counts towards vad_eos.
    const int frameRate = cmd_ln_int32_r(ps_get_config(m_decoder.get()), "-frate");
    const int hangoverFrames = cmd_ln_int32_r(ps_get_config(m_decoder.get()), "-vad_postspeech");
    if (frameRate > 0)
        m_postSpeechSamples = std::int64_t(hangoverFrames) * 16000 / frameRate;
}

int RecognitionSession::Start() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (ps_start_utt(m_decoder.get()) < 0)
        return kErrorGeneral;
    m_sentenceOpen = true;
    return kSuccess;
}

int RecognitionSession::Write(const void* data, unsigned int length, int audioStatus,
                              int* endpointStatus, int* recognitionStatus) {
    if (endpointStatus == nullptr || recognitionStatus == nullptr ||
        (data == nullptr && length > 0))
        return kErrorInvalidParameter;
    if (audioStatus != kAudioFirst && audioStatus != kAudioContinue && audioStatus != kAudioLast)
        return kErrorInvalidParameterValue;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_decoder)
        return kErrorInvalidHandle; // ended by another thread after the caller found it
    if (m_lastBlockWritten)
        return kErrorInvalidOperation;
    if (!m_complete) {
        const auto samples = SamplesOf(static_cast<const uint8_t*>(data), length);
        if (!samples.empty()) {
            if (!Decode(samples))
                return kErrorGeneral;
            FollowSpeechState(samples.size());
        }
        if (audioStatus == kAudioLast && !m_complete)
            Complete();
    }
    m_lastBlockWritten = audioStatus == kAudioLast;
    *endpointStatus = m_endpoint;
    *recognitionStatus = RecognitionStatusNow();
    return kSuccess;
}

const char* RecognitionSession::NextResult(int* recognitionStatus) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_pending.empty()) {
        if (recognitionStatus != nullptr)
            *recognitionStatus = m_complete ? kRecognitionComplete : kRecognitionIncomplete;
        return nullptr;
    }
    m_delivered.push_back(std::move(m_pending.front()));
    m_pending.pop_front();
    if (recognitionStatus != nullptr)
        *recognitionStatus =
            m_pending.empty() && m_complete ? kRecognitionComplete : kRecognitionResultReady;
    return m_delivered.back().c_str();
}

DecoderPtr RecognitionSession::Close() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_sentenceOpen && m_decoder)
        ps_end_utt(m_decoder.get());
    m_sentenceOpen = false;
    m_complete = true;
    return std::move(m_decoder);
}

std::vector<int16_t> RecognitionSession::SamplesOf(const uint8_t* bytes, std::size_t length) {
    std::vector<uint8_t> raw;
    raw.reserve(length + 1);
    if (m_spareByte)
        raw.push_back(*m_spareByte);
    m_spareByte.reset();
    if (length > 0)
        raw.insert(raw.end(), bytes, bytes + length);
    if (raw.size() % 2 != 0) {
        m_spareByte = raw.back();
        raw.pop_back();
    }
    std::vector<int16_t> samples;
    samples.reserve(m_params.sampleRate == 8000 ? raw.size() : raw.size() / 2);
    for (std::size_t i = 0; i + 1 < raw.size(); i += 2) {
        const auto sample = static_cast<int16_t>(uint16_t(raw[i]) | uint16_t(raw[i + 1]) << 8);
        // The models are trained on 16 kHz audio: 8 kHz audio gets a midpoint between samples.
        if (m_params.sampleRate == 8000)
            samples.push_back(static_cast<int16_t>((int(m_previousSample) + sample) / 2));
        samples.push_back(sample);
        m_previousSample = sample;
    }
    return samples;
}

bool RecognitionSession::Decode(const std::vector<int16_t>& samples) {
    return ps_process_raw(m_decoder.get(), samples.data(), samples.size(), FALSE, FALSE) >= 0;
}

void RecognitionSession::FollowSpeechState(std::size_t sampleCount) {
    m_audioSamples += std::int64_t(sampleCount);
    if (ps_get_in_speech(m_decoder.get())) {
        m_sentenceHasSpeech = true;
        m_endpoint = kEndpointInSpeech;
        m_silenceSamples = 0;
        if (m_params.progressive)
            OfferPartial();
        return;
    }
    if (m_sentenceHasSpeech) {
        // The detector also fires on a change of background noise (always at first, before it
        // has learned the room); only a stretch that yields words counts as speech.
        CloseSentence(false);
        if (ps_start_utt(m_decoder.get()) >= 0)
            m_sentenceOpen = true;
        m_silenceSamples = m_postSpeechSamples;
        m_endpoint = m_wordsHeard ? kEndpointInSpeech : kEndpointLookingForSpeech;
    } else if (m_wordsHeard) {
        m_silenceSamples += std::int64_t(sampleCount);
    }
    const bool silenceAfterSpeech =
        m_wordsHeard && m_silenceSamples >= std::int64_t(m_params.vadEosMs) * kSamplesPerMs;
    const bool noSpeechAtAll =
        !m_wordsHeard && m_audioSamples >= std::int64_t(m_params.vadBosMs) * kSamplesPerMs;
    if (silenceAfterSpeech || noSpeechAtAll || !m_sentenceOpen) {
        m_endpoint = kEndpointAfterSpeech;
        Complete();
    }
}

void RecognitionSession::OfferPartial() {
    const char* hypothesis = ps_get_hyp(m_decoder.get(), nullptr);
    const std::string partial = hypothesis != nullptr ? hypothesis : "";
    if (partial.empty() || partial == m_lastPartial)
        return;
    SentenceResult result;
    result.words = WordsOf(hypothesis, false);
    if (m_lastPartial.empty()) {
        m_sentenceFirstSn = m_nextSn;
        result.pgs = "apd";
    } else {
        result.pgs = "rpl";
        result.replaceFirst = m_sentenceFirstSn;
        result.replaceLast = m_nextSn - 1;
    }
    m_lastPartial = partial;
    Queue(std::move(result));
}

bool RecognitionSession::CloseSentence(bool last) {
    const bool wasOpen = m_sentenceOpen;
    if (wasOpen)
        ps_end_utt(m_decoder.get());
    m_sentenceOpen = false;
    m_sentenceHasSpeech = false;
    // A sentence that never started has no hypothesis of its own.
    const char* hypothesis = wasOpen ? ps_get_hyp(m_decoder.get(), nullptr) : nullptr;
    SentenceResult result;
    result.last = last;
    result.words = WordsOf(hypothesis, true);
    const bool hasWords = !result.words.empty();
    const bool replacesPartials = !m_lastPartial.empty();
    if (!hasWords && !last && !replacesPartials)
        return false;
    if (m_params.progressive) {
        result.pgs = replacesPartials ? "rpl" : "apd";
        result.replaceFirst = replacesPartials ? m_sentenceFirstSn : 0;
        result.replaceLast = replacesPartials ? m_nextSn - 1 : 0;
    }
    if (hasWords)
        m_wordsHeard = true;
    m_lastPartial.clear();
    Queue(std::move(result));
    return hasWords;
}

void RecognitionSession::Complete() {
    CloseSentence(true);
    m_complete = true;
}

std::vector<std::string> RecognitionSession::WordsOf(const char* hypothesis,
                                                     bool sentenceEnds) const {
    std::vector<std::string> words;
    std::istringstream stream(hypothesis != nullptr ? hypothesis : "");
    std::string word;
    while (stream >> word) {
        const bool needsBlank = m_blankSeparated && (m_wordsHeard || !words.empty());
        words.push_back(needsBlank ? " " + word : word);
    }
    if (sentenceEnds && m_params.punctuation && !words.empty())
        words.push_back(m_blankSeparated ? "." : "\xE3\x80\x82");
    return words;
}

void RecognitionSession::Queue(SentenceResult result) {
    result.sn = m_nextSn++;
    m_pending.push_back(m_formatter.Format(result));
}

int RecognitionSession::RecognitionStatusNow() const {
    if (!m_pending.empty())
        return kRecognitionResultReady;
    return m_complete ? kRecognitionComplete : kRecognitionIncomplete;
}

} // namespace speechsdk
