#pragma once

#include "speech/IIatEngine.h"
#include "speech/TranscriberSettings.h"
#include "speech/TranscriptionJob.h"

#include <functional>
#include <memory>
#include <string>

class CConfig;
class IIatCallBack;

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

    // With the process-wide endpoints (endpoints.ini).
    CXfEngineWeb(std::shared_ptr<CConfig> config, IIatCallBack* callback);
    CXfEngineWeb(std::shared_ptr<CConfig> config, IIatCallBack* callback,
                 TranscriberSettings settings);
    // Quits the worker, stops a running transcription and waits for its threads; once it has
    // returned the listener is not called any more.
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

    // The worker runs (Start to the end of Quit).
    bool IsRunning() const;
    // A transcription runs: begun and not yet reported finished.
    bool IsTranscribing() const;

private:
    struct State;
    std::shared_ptr<State> m_state;
};
