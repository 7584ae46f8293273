#include "speech/SgEngineActions.h"

#include "app/Log.h"
#include "platform/DebugChannel.h"
#include "service/Endpoints.h"
#include "speech/CAudioEndpoints.h"
#include "speech/CSgStream.h"
#include "speech/CSgTokenSource.h"
#include "speech/CWaveRecorder.h"
#include "speech/SgFrames.h"

namespace {

constexpr const char* kEngine = "sg";
const QString kMicrophoneName = QStringLiteral("Dravel");
constexpr auto kMicrophonePoll = std::chrono::milliseconds(200);
constexpr auto kMicrophoneNotice = std::chrono::seconds(5);

enginereport::Failure Unconfigured(const QString& missingKey) {
    enginereport::Failure failure;
    failure.reason = IIatCallBack::kFailureUnconfigured;
    failure.step = QStringLiteral("setup");
    failure.detail = missingKey + QStringLiteral(" missing");
    return failure;
}

} // namespace

SgEngineActions::Settings SgEngineActions::Settings::FromEndpoints(const Endpoints& endpoints) {
    Settings settings;
    settings.tokenUrl = endpoints.sgToken;
    settings.streamUrl = endpoints.sgStream;
    settings.appId = endpoints.sgAppId;
    settings.appKey = endpoints.sgAppKey;
    settings.caFile = endpoints.caFile;
    return settings;
}

QString SgEngineActions::Settings::MissingKey() const {
    if (tokenUrl.empty())
        return QStringLiteral("sg_token");
    if (streamUrl.empty())
        return QStringLiteral("sg_stream");
    if (appId.empty())
        return QStringLiteral("sg_appid");
    if (appKey.empty())
        return QStringLiteral("sg_appkey");
    return QString();
}

SgEngineActions::SgEngineActions(Settings settings, IIatCallBack* callback,
                                 std::function<int()> voiceMode)
    : m_settings(std::move(settings)), m_callback(std::make_shared<CCallBackGate>(callback)),
      m_voiceMode(std::move(voiceMode)), m_capture(CWaveRecorder::Shared()),
      m_token(std::make_shared<CSgTokenSource>(CSgTokenSource::Settings{
          m_settings.tokenUrl, m_settings.appId, m_settings.appKey, {2, 3}})) {
    // A refused upgrade means the token is no longer good: the next session asks anew.
    m_stream = CSgStream::Create(
        m_settings.caFile, m_callback,
        [](std::shared_ptr<ThreadMessageQueue> sender) {
            CWaveRecorder::Shared().AttachSender(std::move(sender));
        },
        [token = m_token] { token->Forget(); }, m_settings.endCap);
}

bool SgEngineActions::Prepare() {
    platform::OutputDebug(QStringLiteral("********************sg_init\n"));
    const QString missing = m_settings.MissingKey();
    enginereport::Failure failure;
    if (!missing.isEmpty())
        enginereport::Report(kEngine, Unconfigured(missing), nullptr);
    else if (!m_token->Request(failure))
        enginereport::Report(kEngine, failure, nullptr);
    if (!WaitForDravel())
        return false;
    return m_capture.Open() == 0;
}

bool SgEngineActions::QuitSince(int requests) const {
    return m_quitRequests != requests;
}

// The engine records only through the mouse's own microphone, made the default source once
// it is there. The wait ends early on quit.
bool SgEngineActions::WaitForDravel() {
    std::unique_lock<std::mutex> guard(m_quitLock);
    const int requests = m_quitRequests;
    guard.unlock();
    const auto noticeAt = std::chrono::steady_clock::now() + kMicrophoneNotice;
    bool noticed = false;
    CAudioEndpoints endpoints;
    for (;;) {
        endpoints.Refresh();
        const bool found = endpoints.SelectByName(kMicrophoneName);
        guard.lock();
        if (m_quitRequested.wait_for(guard, kMicrophonePoll,
                                     [this, requests] { return QuitSince(requests); }))
            return false;
        guard.unlock();
        if (found)
            return true;
        if (!noticed && std::chrono::steady_clock::now() >= noticeAt) {
            noticed = true;
            applog::Info(QStringLiteral("recognition sg: waiting for a Dravel microphone"));
        }
    }
}

void SgEngineActions::OnBegin() {
    const QString missing = m_settings.MissingKey();
    if (!missing.isEmpty()) {
        enginereport::Report(kEngine, Unconfigured(missing), m_callback.get());
        return;
    }
    enginereport::Failure failure;
    const std::optional<std::string> token = m_token->Fresh(failure);
    if (!token) {
        enginereport::Report(kEngine, failure, m_callback.get());
        return;
    }
    if (m_capture.Start() == 0 && !m_stream->IsConnected()) {
        const int mode = ReadGetter(m_voiceMode);
        m_stream->Open(BuildSgStreamAddress(m_settings.streamUrl, m_settings.appId, *token,
                                            CSgTokenSource::InstallationId()),
                       mode);
    }
}

// The sender sends the end message after the last block, once capture has stopped.
void SgEngineActions::OnEnd() {
    m_capture.Stop();
}

void SgEngineActions::OnQuit() {
    m_capture.Close();
}

void SgEngineActions::CleanUp() {
    platform::OutputDebug(QStringLiteral("***********************sg_uninit\n"));
}

void SgEngineActions::RequestQuit() {
    {
        std::lock_guard<std::mutex> guard(m_quitLock);
        ++m_quitRequests;
    }
    m_quitRequested.notify_all();
}

int SgEngineActions::ReadGetter(const std::function<int()>& getter) const {
    std::lock_guard<std::mutex> guard(m_getterLock);
    return getter ? getter() : 0;
}

void SgEngineActions::Shutdown() {
    {
        std::lock_guard<std::mutex> guard(m_getterLock);
        m_voiceMode = nullptr;
    }
    RequestQuit();
    if (!m_stream->Shutdown())
        applog::Warning(QStringLiteral("sg stream still busy at engine teardown"));
    m_callback->Close();
}
