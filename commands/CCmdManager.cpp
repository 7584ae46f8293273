#include "commands/CCmdManager.h"

#include "app/CConfig.h"
#include "commands/SemanticReply.h"
#include "commands/SpokenNameMatch.h"
#include "platform/DebugChannel.h"
#include "platform/NetworkAdapter.h"
#include "platform/NetworkPresence.h"
#include "service/CHttpClient.h"
#include "service/UrlEncode.h"

#include <chrono>
#include <system_error>
#include <thread>

namespace {

const CHttpClient::Limits kServiceLimits{2, 3};
const QString kDefaultSearchEngine = QStringLiteral("baidu");

platform::OpenPolicy WebOnly() {
    platform::OpenPolicy policy;
    policy.webOnly = true;
    return policy;
}

} // namespace

std::shared_ptr<CCmdManager> CCmdManager::Create(Context context) {
    return std::shared_ptr<CCmdManager>(new CCmdManager(std::move(context)));
}

CCmdManager::CCmdManager(Context context)
    : m_context(std::move(context)), m_systemTargets(MakeSystemTargetTable()),
      m_appTargets(MakeAppTargetTable()), m_trustedPrograms(m_context.trustedProgramsFile) {
    if (!m_context.deviceKind)
        m_context.deviceKind = [] { return 0; };
    if (!m_context.deviceIdentity)
        m_context.deviceIdentity = [config = m_context.config](int kind) {
            return IdentityFromConfig(*config, kind);
        };
    if (!m_context.macAddress)
        m_context.macAddress = platform::FirstAdapterMac;
    if (!m_context.isOnline)
        m_context.isOnline = platform::IsOnline;
    if (!m_context.fileSearch)
        m_context.fileSearch = platform::FileSearch();
    if (!m_context.open)
        m_context.open = platform::OpenTarget;
}

template <typename Work> void CCmdManager::RunDetached(Work work) {
    try {
        std::thread(std::move(work)).detach();
    } catch (const std::system_error&) {
        platform::OutputDebug(QStringLiteral("No thread for a command request\n"));
    }
}

int CCmdManager::CurrentDeviceKind() const {
    return m_context.deviceKind();
}

std::vector<CommandRecord> CCmdManager::Commands(int deviceKind) const {
    std::lock_guard<std::mutex> guard(m_listLock);
    if (deviceKind == 0)
        return m_mouseCommands;
    if (deviceKind == 1)
        return m_penCommands;
    return {};
}

// --- dispatcher ----------------------------------------------------------------------------

bool CCmdManager::RunVoiceCommand(const std::string& utf8Sentence) {
    if (utf8Sentence.empty())
        return false;
    const QString sentence =
        QString::fromUtf8(utf8Sentence.data(), static_cast<qsizetype>(utf8Sentence.size()));
    if (OpenCustomCommand(sentence, CurrentDeviceKind()) || OpenSystemTarget(sentence) ||
        OpenApplication(sentence))
        return true;
    return AskSemanticService(UrlEncode(utf8Sentence));
}

void CCmdManager::StartVoiceCommand(std::string sentence) {
    RunDetached([self = shared_from_this(), sentence = std::move(sentence)] {
        self->RunVoiceCommand(sentence);
    });
}

bool CCmdManager::OpenCustomCommand(const QString& sentence, int deviceKind) {
    platform::OpenPolicy policy;
    policy.isTrustedProgram = [this](const QString& program) {
        return m_trustedPrograms.Contains(program);
    };
    for (const CommandRecord& record : Commands(deviceKind)) {
        if (sentence != record.customCmd && !CallsSpokenName(sentence, record.customCmd))
            continue;
        if (m_context.open(record.customName, QStringLiteral("custom"), policy).Opened())
            return true;
    }
    return false;
}

bool CCmdManager::OpenSystemTarget(const QString& sentence) {
    platform::OpenPolicy policy;
    policy.extraSchemes << QStringLiteral("trash");
    for (const auto& [name, target] : m_systemTargets) {
        if (!CallsSpokenName(sentence, name))
            continue;
        const QString resolved = target.Resolve();
        if (!resolved.isEmpty() &&
            m_context.open(resolved, QStringLiteral("system"), policy).Opened())
            return true;
    }
    return false;
}

bool CCmdManager::OpenApplication(const QString& sentence) {
    for (const auto& [name, desktopFile] : m_appTargets) {
        if (CallsSpokenName(sentence, name) && LocateAndOpenApp(desktopFile))
            return true;
    }
    return false;
}

bool CCmdManager::LocateAndOpenApp(const QString& desktopFile) {
    platform::OpenPolicy policy;
    policy.applicationEntriesOnly = true;
    for (const QString& path : m_context.fileSearch->FindByName(desktopFile)) {
        if (m_context.open(path, QStringLiteral("app"), policy).Opened())
            return true;
    }
    return false;
}

bool CCmdManager::AskSemanticService(const std::string& encodedQuestion) {
    const std::string url = m_context.semanticBase +
                            "/dbzy/saapi.json?question=" + encodedQuestion +
                            "&engineid=" + m_context.semanticEngineId;
    const auto [ok, body] = CHttpClient::Get(url, kServiceLimits);
    if (!ok)
        return WebSearch(encodedQuestion);
    const SemanticAnswer answer = ParseSemanticReply(body);
    switch (answer.action) {
    case SemanticAnswer::Action::Nothing:
        return false;
    case SemanticAnswer::Action::WebSearch:
        return WebSearch(encodedQuestion);
    case SemanticAnswer::Action::Open:
        break;
    }
    const QString value = QString::fromStdString(answer.value);
    return m_context.open(value, QStringLiteral("semantic"), WebOnly()).Opened() ||
           WebSearch(encodedQuestion);
}

bool CCmdManager::WebSearch(const std::string& encodedQuery) {
    const int kind = CurrentDeviceKind();
    const QString engine = kind == 0   ? m_context.config->Get(ConfigKey::SearchEngine)
                           : kind == 1 ? m_context.config->Get(ConfigKey::LpSearchEngine)
                                       : QString();
    const auto engines = CConfig::SearchEngines();
    auto prefix = engines.find(engine);
    // Without a known engine the query alone would be taken for a file name.
    if (prefix == engines.end())
        prefix = engines.find(kDefaultSearchEngine);
    const QString address = prefix->second + QString::fromStdString(encodedQuery);
    return m_context.open(address, QStringLiteral("web"), WebOnly()).Opened();
}

// --- command service -----------------------------------------------------------------------

bool CCmdManager::WaitForNetwork() {
    std::unique_lock<std::mutex> lock(m_stateLock);
    bool told = false;
    while (!m_shutdown) {
        lock.unlock();
        const bool online = m_context.isOnline();
        if (!online && !told)
            platform::OutputDebug(QStringLiteral("Command list waits for the network\n"));
        told = true;
        lock.lock();
        if (online || m_shutdown)
            break;
        m_stateChanged.wait_for(lock, std::chrono::milliseconds(kNetworkPollMs),
                                [this] { return m_shutdown; });
    }
    return !m_shutdown;
}

bool CCmdManager::ApplyReply(int deviceKind, bool transferOk, const std::string& body) {
    if (!transferOk)
        return false;
    std::optional<std::vector<CommandRecord>> records = ParseCommandList(body);
    if (!records)
        return false;
    std::lock_guard<std::mutex> guard(m_listLock);
    if (deviceKind == 0)
        m_mouseCommands = std::move(*records);
    else if (deviceKind == 1)
        m_penCommands = std::move(*records);
    return true;
}

void CCmdManager::NotifyListChanged() {
    std::lock_guard<std::mutex> guard(m_stateLock);
    if (!m_shutdown && m_context.commandListChanged)
        m_context.commandListChanged();
}

bool CCmdManager::FetchCommands(int deviceKind) {
    if (!WaitForNetwork())
        return false;
    const std::string url =
        m_context.serviceBase + FetchCommandsQuery(*m_context.config,
                                                   m_context.deviceIdentity(deviceKind),
                                                   m_context.macAddress());
    const auto [ok, body] = CHttpClient::Get(url, kServiceLimits);
    const bool replaced = ApplyReply(deviceKind, ok, body);
    NotifyListChanged();
    return replaced;
}

bool CCmdManager::AddCommand(int deviceKind, const CommandRecord& record) {
    const std::string url = m_context.serviceBase +
                            AddCommandQuery(*m_context.config, m_context.deviceIdentity(deviceKind),
                                            m_context.macAddress(), record);
    const auto [ok, body] = CHttpClient::Get(url, kServiceLimits);
    const bool replaced = ApplyReply(deviceKind, ok, body);
    if (replaced)
        NotifyListChanged();
    return replaced;
}

bool CCmdManager::DeleteCommand(int deviceKind, const QString& customCmd) {
    const std::string url =
        m_context.serviceBase + DeleteCommandQuery(*m_context.config,
                                                   m_context.deviceIdentity(deviceKind),
                                                   m_context.macAddress(), customCmd);
    const auto [ok, body] = CHttpClient::Get(url, kServiceLimits);
    const bool replaced = ApplyReply(deviceKind, ok, body);
    if (replaced)
        NotifyListChanged();
    return replaced;
}

void CCmdManager::StartFetchCommands() {
    RunDetached(
        [self = shared_from_this(), kind = CurrentDeviceKind()] { self->FetchCommands(kind); });
}

void CCmdManager::StartAddCommand(const CommandRecord& record) {
    // The user picked this program here: from now on it may run as a command's target.
    const QString program = platform::ProgramTargetPath(record.customName);
    if (!program.isEmpty() && !m_trustedPrograms.Add(program))
        platform::OutputDebug(
            QStringLiteral("Cannot record the trusted program %1\n").arg(program));
    RunDetached([self = shared_from_this(), kind = CurrentDeviceKind(), record] {
        self->AddCommand(kind, record);
    });
}

void CCmdManager::StartDeleteCommand(const QString& customCmd) {
    RunDetached([self = shared_from_this(), kind = CurrentDeviceKind(), customCmd] {
        self->DeleteCommand(kind, customCmd);
    });
}

void CCmdManager::Shutdown() {
    std::lock_guard<std::mutex> guard(m_stateLock);
    m_shutdown = true;
    m_context.commandListChanged = nullptr;
    m_stateChanged.notify_all();
}
