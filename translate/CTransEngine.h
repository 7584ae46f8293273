#pragma once

#include "service/Endpoints.h"
#include "translate/ITransEngine.h"

#include <functional>
#include <memory>
#include <optional>

class CConfig;
class CRequestPool;
class CTransCallBackGate;
class ITransCallBack;
namespace platform {
class IAudioPlayer;
class ISpeechSynthesizer;
} // namespace platform

// Translates through the translation service and reads text aloud through its speech
// endpoint, falling back to the local synthesizer. Every request runs on a worker of the
// request pool (never waiting for another request) and answers there through the callback
// given at construction (none: answers are dropped). The workers share what a request uses, so
// the engine may be destroyed at any time: answers that come later are dropped.
class CTransEngine : public ITransEngine {
public:
    struct Context {
        std::shared_ptr<const CConfig> config;
        // 0 mouse, 1 pen, 2 third device; picks the target language. Device 0 when empty.
        std::function<int()> deviceKind;
        // Addresses and credentials; the process-wide endpoints when empty.
        std::optional<Endpoints> endpoints;
        // Makes the player of one speech piece; the platform's when empty.
        std::function<std::unique_ptr<platform::IAudioPlayer>()> makePlayer;
        // The offline voice; the platform's when null.
        std::shared_ptr<platform::ISpeechSynthesizer> synthesizer;
        // Where the requests run; the pool all engines share when null.
        std::shared_ptr<CRequestPool> pool;
    };

    static constexpr long kConnectSeconds = 2;
    static constexpr long kTranslateSeconds = 3;
    static constexpr long kSpeechSeconds = 10;

    CTransEngine(ITransCallBack* callBack, Context context);
    ~CTransEngine() override;
    CTransEngine(const CTransEngine&) = delete;
    CTransEngine& operator=(const CTransEngine&) = delete;

    void Translate(const std::string& text) override;
    void TranslateGoogle(const std::string& text) override;
    void Speak(std::string text) override;

private:
    void RunRequest(std::function<void()> request);

    // What the request threads share with the engine; it outlives the engine as long as a
    // thread still holds it.
    struct Shared;
    std::shared_ptr<Shared> m_shared;
};
