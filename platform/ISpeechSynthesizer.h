#pragma once

#include <QByteArray>

#include <memory>
#include <optional>
#include <string>

namespace platform {

// Speech made on this computer, without a network: the offline voice of the speech playback.
struct SynthesizedSpeech {
    QByteArray wav; // 16-bit mono PCM in a WAV container
    std::string voice;
};

// Callable from any thread; calls are served one at a time.
class ISpeechSynthesizer {
public:
    virtual ~ISpeechSynthesizer() = default;
    // Speaks the UTF-8 text with the voice for the speech code ("en", "ja", "zh-TW"...).
    // nullopt when there is no voice for it, or nothing could be made.
    virtual std::optional<SynthesizedSpeech> Synthesize(const std::string& text,
                                                        const std::string& speechCode) = 0;
};

// The process-wide synthesizer (libespeak-ng). Never null.
std::shared_ptr<ISpeechSynthesizer> SpeechSynthesizer();

// The synthesizer's voice name for a speech code: "zh" and "zh-TW" are spoken as Mandarin
// ("cmn"); other codes name their voice directly. Empty for an empty code.
std::string SynthesizerVoiceFor(const std::string& speechCode);

} // namespace platform
