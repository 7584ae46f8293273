#include "platform/linux/EspeakSynthesizer.h"

#include <espeak-ng/speak_lib.h>

#include <QtEndian>

#include <cstring>
#include <vector>

namespace platform {

std::string SynthesizerVoiceFor(const std::string& speechCode) {
    if (speechCode == "zh" || speechCode == "zh-TW")
        return "cmn";
    return speechCode;
}

namespace native {

namespace {

int CollectSamples(short* samples, int count, espeak_EVENT* events) {
    if (samples == nullptr || count <= 0 || events == nullptr)
        return 0;
    auto* sink = static_cast<std::vector<short>*>(events->user_data);
    if (sink != nullptr)
        sink->insert(sink->end(), samples, samples + count);
    return 0; // go on
}

void AppendLe32(QByteArray& out, quint32 value) {
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

void AppendLe16(QByteArray& out, quint16 value) {
    char bytes[2];
    qToLittleEndian(value, bytes);
    out.append(bytes, 2);
}

QByteArray WavOf(const std::vector<short>& samples, int sampleRate) {
    const quint32 dataBytes = static_cast<quint32>(samples.size() * sizeof(short));
    QByteArray wav;
    wav.reserve(44 + static_cast<int>(dataBytes));
    wav.append("RIFF", 4);
    AppendLe32(wav, 36 + dataBytes);
    wav.append("WAVEfmt ", 8);
    AppendLe32(wav, 16);
    AppendLe16(wav, 1); // PCM
    AppendLe16(wav, 1); // mono
    AppendLe32(wav, static_cast<quint32>(sampleRate));
    AppendLe32(wav, static_cast<quint32>(sampleRate) * 2);
    AppendLe16(wav, 2);
    AppendLe16(wav, 16);
    wav.append("data", 4);
    AppendLe32(wav, dataBytes);
    for (short sample : samples)
        AppendLe16(wav, static_cast<quint16>(sample));
    return wav;
}

} // namespace

bool EspeakSynthesizer::InitialiseOnce() {
    if (m_initTried)
        return m_sampleRate > 0;
    m_initTried = true;
    const int rate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, 0);
    if (rate <= 0)
        return false;
    espeak_SetSynthCallback(CollectSamples);
    m_sampleRate = rate;
    return true;
}

std::optional<SynthesizedSpeech> EspeakSynthesizer::Synthesize(const std::string& text,
                                                               const std::string& speechCode) {
    const std::string voice = SynthesizerVoiceFor(speechCode);
    if (voice.empty() || text.empty())
        return std::nullopt;
    std::lock_guard<std::mutex> guard(m_lock);
    if (!InitialiseOnce())
        return std::nullopt;
    if (espeak_SetVoiceByName(voice.c_str()) != EE_OK)
        return std::nullopt;
    std::vector<short> samples;
    const espeak_ERROR result = espeak_Synth(text.c_str(), text.size() + 1, 0, POS_CHARACTER, 0,
                                             espeakCHARS_UTF8, nullptr, &samples);
    if (result != EE_OK || samples.empty())
        return std::nullopt;
    return SynthesizedSpeech{WavOf(samples, m_sampleRate), voice};
}

} // namespace native

std::shared_ptr<ISpeechSynthesizer> SpeechSynthesizer() {
    static const auto synthesizer = std::make_shared<native::EspeakSynthesizer>();
    return synthesizer;
}

} // namespace platform
