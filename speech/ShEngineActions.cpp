#include "speech/ShEngineActions.h"

#include "app/CConfig.h"
#include "app/Log.h"
#include "platform/DebugChannel.h"
#include "service/Endpoints.h"
#include "speech/CShServerList.h"
#include "speech/CShStream.h"
#include "speech/CWaveRecorder.h"
#include "speech/ShFrames.h"

namespace {

constexpr const char* kEngine = "sh";
constexpr int kMouse = 0;
constexpr int kPen = 1;

enginereport::Failure Unconfigured(const QString& missingKey) {
    enginereport::Failure failure;
    failure.reason = IIatCallBack::kFailureUnconfigured;
    failure.step = QStringLiteral("setup");
    failure.detail = missingKey + QStringLiteral(" missing");
    return failure;
}

} // namespace

ShEngineActions::Settings ShEngineActions::Settings::FromEndpoints(const Endpoints& endpoints) {
    Settings settings;
    settings.discoveryUrl = endpoints.shDiscovery;
    settings.appKey = endpoints.shAppKey;
    settings.secret = endpoints.shSecret;
    return settings;
}

QString ShEngineActions::Settings::MissingKey() const {
    if (discoveryUrl.empty())
        return QStringLiteral("sh_discovery");
    if (appKey.empty())
        return QStringLiteral("sh_appkey");
    if (secret.empty())
        return QStringLiteral("sh_secret");
    return QString();
}

ShEngineActions::ShEngineActions(Settings settings, std::shared_ptr<CConfig> config,
                                 IIatCallBack* callback, std::function<int()> deviceKind,
                                 std::function<int()> voiceMode)
    : m_settings(std::move(settings)), m_config(std::move(config)),
      m_callback(std::make_shared<CCallBackGate>(callback)), m_deviceKind(std::move(deviceKind)),
      m_voiceMode(std::move(voiceMode)), m_capture(CWaveRecorder::Shared()),
      m_servers(std::make_shared<CShServerList>(m_settings.discoveryUrl)) {
    // A server that cannot be reached is asked for anew by the next session.
    m_stream = CShStream::Create(
        m_callback,
        [](std::shared_ptr<ThreadMessageQueue> sender) {
            CWaveRecorder::Shared().AttachSender(std::move(sender));
        },
        [servers = m_servers] { servers->Forget(); }, m_settings.endCap);
}

bool ShEngineActions::Prepare() {
    platform::OutputDebug(QStringLiteral("********************sh_init\n"));
    const QString missing = m_settings.MissingKey();
    if (missing.isEmpty())
        CShServerList::DiscoverDetached(m_servers);
    else
        enginereport::Report(kEngine, Unconfigured(missing), nullptr);
    return m_capture.Open() == 0;
}

bool ShEngineActions::EnsureServer(std::string& address) {
    address = m_servers->Address();
    if (!address.empty())
        return true;
    enginereport::Failure failure;
    if (!m_servers->Discover(failure)) {
        enginereport::Report(kEngine, failure, m_callback.get());
        return false;
    }
    address = m_servers->Address();
    return !address.empty();
}

void ShEngineActions::OnBegin() {
    const QString missing = m_settings.MissingKey();
    if (!missing.isEmpty()) {
        enginereport::Report(kEngine, Unconfigured(missing), m_callback.get());
        return;
    }
    std::string address;
    if (!EnsureServer(address))
        return;
    if (m_capture.Start() == 0 && !m_stream->IsConnected()) {
        m_stream->SetStateFields(StateFields());
        m_stream->Open("ws://" + address, ReadGetter(m_voiceMode));
    }
}

void ShEngineActions::OnEnd() {
    if (m_capture.Stop() == 0)
        m_stream->SendStopFromWorker();
}

void ShEngineActions::OnQuit() {
    m_capture.Close();
}

void ShEngineActions::CleanUp() {
    platform::OutputDebug(QStringLiteral("***********************sh_uninit\n"));
}

int ShEngineActions::ReadGetter(const std::function<int()>& getter) const {
    std::lock_guard<std::mutex> guard(m_getterLock);
    return getter ? getter() : 0;
}

void ShEngineActions::Shutdown() {
    {
        std::lock_guard<std::mutex> guard(m_getterLock);
        m_voiceMode = nullptr;
        m_deviceKind = nullptr;
    }
    if (!m_stream->Shutdown())
        applog::Warning(QStringLiteral("sh stream still busy at engine teardown"));
    m_callback->Close();
}

// The device id and the language follow the current device; other kinds have neither.
ShStateFields ShEngineActions::StateFields() const {
    ShStateFields fields;
    fields.appKey = m_settings.appKey;
    fields.secret = m_settings.secret;
    const int kind = ReadGetter(m_deviceKind);
    if (kind == kMouse || kind == kPen) {
        fields.deviceId =
            ShDeviceId(m_config->GetForDevice(ConfigKey::Sn, kind).toUtf8().toStdString());
        fields.language =
            m_config->GetForDevice(ConfigKey::RecognitionLanguage, kind).toUtf8().toStdString();
    }
    return fields;
}
