#pragma once

#include <string>

// What to transcribe: a recording's raw PCM (16 kHz mono 16-bit), where its text goes, and the
// language to recognise ("zh_cn", "en_us").
struct TranscriptionJob {
    std::string pcmPath;
    std::string txtPath;
    std::string language;
};
