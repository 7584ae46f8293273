#pragma once

#include "speech/IIatEngine.h"

#include <functional>
#include <memory>
#include <string>

class CConfig;
class IIatCallBack;

// What to transcribe: a recording's raw PCM (16 kHz mono 16-bit), where its text goes, and the
// language to recognise ("zh_cn", "en_us").
struct TranscriptionJob {
    std::string pcmPath;
    std::string txtPath;
    std::string language;
};

// Turns a stored recording into text, through the first vendor's streaming dictation API when
// an address and credentials are configured, otherwise offline with the local recogniser.
// Only Start, BeginRecognize and Quit do anything; the owner's callback is never called.
class CXfEngineWeb : public IIatEngine {
public:
    struct Listener {
        // The transcript is complete (failed == false) or could not be made; engine threads.
        std::function<void(bool failed)> finished;
        // "N%" progress, at most four times a second, ending with 100; engine threads.
        std::function<void(int percent)> progress;
    };

    CXfEngineWeb(std::shared_ptr<CConfig> config, IIatCallBack* callback);
    ~CXfEngineWeb() override;

    void SetListener(Listener listener);
    // The current record; read once when BeginRecognize starts a transcription.
    void SetJob(TranscriptionJob job);

    void Login() override {}
    void Logout() override {}
    void Start() override;
    void Quit() override;
    void BeginRecognize() override;
    void EndRecognize() override {}
    void UpdateParams() override {}
    void RestartRecognize() override {}

private:
    struct State;
    std::shared_ptr<State> m_state;
};
