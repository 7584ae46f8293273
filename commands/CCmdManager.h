#pragma once

#include "commands/BuiltInTables.h"
#include "commands/CTrustedPrograms.h"
#include "commands/CommandRecord.h"
#include "commands/CommandService.h"
#include "platform/IFileSearch.h"
#include "platform/OpenTarget.h"

#include <QString>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class CConfig;

// What a voice-search sentence does, and the custom command lists it is matched against. The
// dispatcher tries the current device's custom commands, the system table, the application
// table, the semantic service and finally a web search; the first target that opens ends it.
// The lists (mouse and pen) are replaced by the command service's replies and copied by the
// dispatcher under one lock. Work that the description runs on detached threads runs on
// detached threads here too; each holds the manager through shared ownership, so the window
// that owns it may go first: Shutdown() ends the waits and silences the notifications.
class CCmdManager : public std::enable_shared_from_this<CCmdManager> {
public:
    using Opener = std::function<platform::OpenResult(const QString& target, const QString& via,
                                                      const platform::OpenPolicy& policy)>;

    struct Context {
        std::shared_ptr<CConfig> config;
        // 0 mouse, 1 pen, 2 third device.
        std::function<int()> deviceKind;
        std::string serviceBase;      // the maker's service origin
        std::string semanticBase;     // the semantic service origin
        std::string semanticEngineId; // sent with every question
        QString trustedProgramsFile;  // trusted_programs.txt in the program home
        // Defaults: IdentityFromConfig, platform::FirstAdapterMac, platform::IsOnline,
        // platform::FileSearch(), platform::OpenTarget.
        std::function<DeviceIdentity(int deviceKind)> deviceIdentity;
        std::function<QString()> macAddress;
        std::function<bool()> isOnline;
        std::shared_ptr<platform::IFileSearch> fileSearch;
        Opener open;
        // A list was downloaded or replaced (the window's message 1130); on a worker thread.
        std::function<void()> commandListChanged;
    };

    static std::shared_ptr<CCmdManager> Create(Context context);
    CCmdManager(const CCmdManager&) = delete;
    CCmdManager& operator=(const CCmdManager&) = delete;

    // The dispatcher for one final sentence (UTF-8), on the caller's thread. True when
    // something opened (a command, an application, a semantic answer or the web search).
    bool RunVoiceCommand(const std::string& sentence);
    // The same on a new detached thread.
    void StartVoiceCommand(std::string sentence);

    // The dispatcher's steps, on the caller's thread; each says whether something opened.
    bool LocateAndOpenApp(const QString& desktopFile);
    bool AskSemanticService(const std::string& encodedQuestion);
    bool WebSearch(const std::string& encodedQuery);

    // Command service calls for the device kind current at the call. The Start… forms run on
    // a new detached thread; the others block (3 s at most, plus FetchCommands' wait for the
    // network) and say whether the reply replaced the list.
    void StartFetchCommands();
    void StartAddCommand(const CommandRecord& record);
    void StartDeleteCommand(const QString& customCmd);
    bool FetchCommands(int deviceKind);
    bool AddCommand(int deviceKind, const CommandRecord& record);
    bool DeleteCommand(int deviceKind, const QString& customCmd);

    // A copy of a kind's list (empty for the third device).
    std::vector<CommandRecord> Commands(int deviceKind) const;
    int CurrentDeviceKind() const;

    // Ends the network waits and drops the notification callback; for the owner's teardown.
    void Shutdown();

    static constexpr int kNetworkPollMs = 100;

private:
    explicit CCmdManager(Context context);

    bool OpenCustomCommand(const QString& sentence, int deviceKind);
    bool OpenSystemTarget(const QString& sentence);
    bool OpenApplication(const QString& sentence);
    // Waits until the computer is online; false when shut down first.
    bool WaitForNetwork();
    // Replaces the kind's list from a service reply; true when it did.
    bool ApplyReply(int deviceKind, bool transferOk, const std::string& body);
    void NotifyListChanged();
    template <typename Work> void RunDetached(Work work);

    Context m_context;
    const SystemTargetTable m_systemTargets;
    const AppTargetTable m_appTargets;
    CTrustedPrograms m_trustedPrograms;

    mutable std::mutex m_listLock;
    std::vector<CommandRecord> m_mouseCommands;
    std::vector<CommandRecord> m_penCommands;

    std::mutex m_stateLock;
    std::condition_variable m_stateChanged;
    bool m_shutdown = false;
};
