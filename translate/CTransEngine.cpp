#include "translate/CTransEngine.h"

#include "app/CConfig.h"
#include "app/Log.h"
#include "platform/IAudioPlayer.h"
#include "platform/ISpeechSynthesizer.h"
#include "service/CHttpClient.h"
#include "translate/CRequestPool.h"
#include "translate/CTransCallBackGate.h"
#include "translate/TransRequests.h"

#include <atomic>

struct CTransEngine::Shared {
    std::shared_ptr<CTransCallBackGate> gate;
    Context context;
};

namespace {

// A failing service is reported once when it starts failing and again only after it has
// worked in between. The lines name neither the address nor the text: the address carries the
// app id and the user's words.
class FailureStreak {
public:
    explicit FailureStreak(const char* what) : m_what(what) {}
    void Failed(const char* reason) {
        if (!m_failing.exchange(true))
            applog::Warning(
                QStringLiteral("%1 failed: %2").arg(QLatin1String(m_what), QLatin1String(reason)));
    }
    void Worked() { m_failing = false; }

private:
    const char* m_what;
    std::atomic<bool> m_failing{false};
};

FailureStreak g_translateStreak("translation request");
FailureStreak g_speechStreak("speech request");
FailureStreak g_poolStreak("starting a request thread");

int DeviceKindOf(const CTransEngine::Context& context) {
    return context.deviceKind ? context.deviceKind() : 0;
}

std::string FetchTranslation(const std::string& address) {
    const auto [ok, body] =
        CHttpClient::Get(address, {CTransEngine::kConnectSeconds, CTransEngine::kTranslateSeconds});
    if (!ok) {
        g_translateStreak.Failed("no answer with status 200");
        return std::string();
    }
    std::string translation = transreq::ParseTranslation(body);
    if (translation.empty())
        g_translateStreak.Failed("the answer holds no translation");
    else
        g_translateStreak.Worked();
    return translation;
}

void SpeakPiece(const CTransEngine::Context& context, const std::string& piece,
                const std::string& speechCode) {
    const std::string address = transreq::SpeechAddress(context.endpoints->tts, piece, speechCode);
    auto [ok, body] =
        CHttpClient::Get(address, {CTransEngine::kConnectSeconds, CTransEngine::kSpeechSeconds});
    std::unique_ptr<platform::IAudioPlayer> player = context.makePlayer();
    if (player == nullptr)
        return;
    if (ok && !body.empty()) {
        g_speechStreak.Worked();
        platform::PlayToEnd(*player, QByteArray::fromStdString(body), {"service", std::string()});
        return;
    }
    g_speechStreak.Failed(ok ? "empty answer" : "no answer with status 200");
    // Offline: the local voice reads the piece; a language without a voice stays silent.
    if (auto speech = context.synthesizer->Synthesize(piece, speechCode))
        platform::PlayToEnd(*player, std::move(speech->wav), {"local", speech->voice});
}

} // namespace

CTransEngine::CTransEngine(ITransCallBack* callBack, Context context)
    : m_shared(std::make_shared<Shared>()) {
    m_shared->gate = std::make_shared<CTransCallBackGate>(callBack);
    if (!context.endpoints)
        context.endpoints = GetEndpoints();
    if (!context.makePlayer)
        context.makePlayer = [] { return platform::CreateAudioPlayer(); };
    if (!context.synthesizer)
        context.synthesizer = platform::SpeechSynthesizer();
    if (!context.pool)
        context.pool = CRequestPool::Shared();
    m_shared->context = std::move(context);
}

CTransEngine::~CTransEngine() {
    m_shared->gate->Close();
}

void CTransEngine::Translate(const std::string& text) {
    const Context& context = m_shared->context;
    const Endpoints& endpoints = *context.endpoints;
    std::string address;
    // Without the app id or the key the service cannot be asked: the answer is empty.
    if (!endpoints.transAppId.empty() && !endpoints.transKey.empty()) {
        const std::string target =
            context.config ? transreq::TargetLanguage(*context.config, DeviceKindOf(context))
                           : std::string();
        address =
            transreq::TranslateAddress(endpoints.translate, text, target, endpoints.transAppId,
                                       endpoints.transSalt, endpoints.transKey);
    }
    RunRequest([shared = m_shared, address = std::move(address)] {
        const std::string translation = address.empty() ? std::string() : FetchTranslation(address);
        shared->gate->OnTranslated(translation);
    });
}

void CTransEngine::TranslateGoogle(const std::string&) {}

void CTransEngine::Speak(std::string text) {
    RunRequest([shared = m_shared, text = std::move(text)] {
        const Context& context = shared->context;
        const std::string speechCode =
            context.config ? transreq::SpeechCode(*context.config, DeviceKindOf(context))
                           : std::string();
        for (const std::string& piece : transreq::SpeechPieces(text))
            SpeakPiece(context, piece, speechCode);
        shared->gate->OnSpeakEnd();
    });
}

void CTransEngine::RunRequest(std::function<void()> request) {
    // Out of threads the request cannot run at all; answering on the caller's thread instead
    // would break the promise that answers never come there.
    if (m_shared->context.pool->Run(std::move(request)))
        g_poolStreak.Worked();
    else
        g_poolStreak.Failed("no thread could be started; the request is dropped");
}
