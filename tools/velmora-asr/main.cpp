// velmora-asr: recognises a recording with the local recognition library and prints every
// result on its own line, then the whole recognised text on the last line.
#include "speech/sdk/EngineParamTable.h"
#include "speech/sdk/SpeechSdk.h"
#include "tools/velmora-asr/AudioFile.h"
#include "tools/velmora-asr/SessionDriver.h"
#include "tools/velmora-asr/TranscriptAssembler.h"

#include <cstdio>
#include <iostream>
#include <optional>
#include <string>

namespace {

constexpr int kExitRecognitionFailed = 1;
constexpr int kExitBadInput = 2;

const char kUsage[] =
    "usage: velmora-asr [--language KEY] [--params TEXT] FILE\n"
    "  FILE            16 kHz mono 16-bit WAV, or raw samples (.raw/.pcm)\n"
    "  --language KEY  the engine's parameters for KEY: english, chinese, yue, yue_cht,\n"
    "                  sichuan, shanghai, minnan, kejia, cht (default english)\n"
    "  --params TEXT   a session parameter text given as it is\n";

struct Options {
    std::string params;
    std::string file;
};

int BadInput(const std::string& message) {
    std::cerr << "velmora-asr: " << message << "\n";
    return kExitBadInput;
}

// Fills options; returns an exit code when the command line cannot be used.
std::optional<int> ParseArguments(int argc, char** argv, Options& options) {
    std::optional<std::string> language;
    std::optional<std::string> params;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            std::cout << kUsage;
            return 0;
        }
        if ((argument == "--language" || argument == "--params") && i + 1 < argc) {
            (argument == "--language" ? language : params) = argv[++i];
        } else if (argument.rfind("--", 0) == 0 || !options.file.empty()) {
            std::cerr << kUsage;
            return BadInput("unexpected argument " + argument);
        } else {
            options.file = argument;
        }
    }
    if (options.file.empty()) {
        std::cerr << kUsage;
        return BadInput("no recording given");
    }
    if (language && params)
        return BadInput("give either --language or --params, not both");
    if (params) {
        options.params = *params;
        return std::nullopt;
    }
    const auto text = speechsdk::EngineParamTable::Text(speechsdk::ParamTable::LongEndPtt0,
                                                        language.value_or("english"));
    if (!text)
        return BadInput("unknown language key " + *language);
    options.params = *text;
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (const auto exitCode = ParseArguments(argc, argv, options))
        return *exitCode;
    const auto audio = AudioFile::Load(options.file);
    if (!audio.ok)
        return BadInput(audio.error);
    if (!audio.warning.empty())
        std::cerr << "velmora-asr: " << audio.warning << "\n";

    speechsdk::SetLogHook(
        [](const std::string& line) { std::cerr << "velmora-asr: " << line << "\n"; });
    TranscriptAssembler transcript;
    const int error = SessionDriver::Run(audio.pcm, options.params, [&](const char* result) {
        std::printf("%s\n", result);
        std::fflush(stdout);
        transcript.Add(result);
    });
    if (error != speechsdk::kSuccess) {
        std::cerr << "velmora-asr: recognition failed with error " << error << "\n";
        return kExitRecognitionFailed;
    }
    std::printf("%s\n", transcript.Text().c_str());
    return 0;
}
