#pragma once

#include "platform/ISpeechSynthesizer.h"

#include <mutex>

namespace platform::native {

// ISpeechSynthesizer on libespeak-ng, synthesising into memory (nothing is played by the
// library itself). The library keeps one global state, so calls take turns on one lock; it is
// initialised on the first call and stays so for the process.
class EspeakSynthesizer : public ISpeechSynthesizer {
public:
    std::optional<SynthesizedSpeech> Synthesize(const std::string& text,
                                                const std::string& speechCode) override;

private:
    bool InitialiseOnce();

    std::mutex m_lock;
    bool m_initTried = false;
    int m_sampleRate = 0;
};

} // namespace platform::native
