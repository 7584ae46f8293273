#include "velmora/CApp.h"

#include "app/CConfig.h"
#include "app/CLoopWatch.h"
#include "app/CWndManager.h"
#include "app/CrashDump.h"
#include "app/Log.h"
#include "app/Telemetry.h"
#include "device/CDeviceLink.h"
#include "mainwnd/CMainWnd.h"
#include "platform/AutoStart.h"
#include "platform/IScreenWordCapture.h"
#include "platform/InputDevices.h"
#include "platform/OpenTarget.h"
#include "platform/ProgramHome.h"
#include "platform/SimEvents.h"
#include "platform/SingleInstance.h"
#include "records/CRecordCalls.h"
#include "records/CRecordPoster.h"
#include "records/CRecordStore.h"
#include "records/RecordMessages.h"
#include "records/RecordWindows.h"
#include "screentools/ScreenToolWindows.h"
#include "service/CHttpClient.h"
#include "service/CUpdateChecker.h"
#include "service/Endpoints.h"
#include "service/UserInfo.h"
#include "service/windows/ServiceWindowLinks.h"
#include "session/CTextOutput.h"
#include "session/CVoiceSession.h"
#include "session/SessionWindows.h"
#include "speech/CAudioEndpoints.h"
#include "translate/CTransEngine.h"
#include "translate/TransWindows.h"
#include "ui/framework/CPaintManagerUI.h"
#include "ui/framework/MessageBox.h"
#include "ui/framework/UiLanguage.h"
#include "ui/framework/WindowConstants.h"
#include "ui/framework/WindowMessage.h"

#include <QCoreApplication>
#include <QDir>
#include <QTimer>

#include <curl/curl.h>

#include <chrono>
#include <cstdio>

namespace {
// A loop that comes round later than this is felt by the user; the watch logs it.
constexpr qint64 kLoopStallMs = 100;

// Problems found before or outside the log go to standard error as well: without a writable
// program home the log file is the first thing that is missing.
void Report(const QString& problem) {
    std::fprintf(stderr, "velmora: %s\n", problem.toLocal8Bit().constData());
    applog::Warning(problem);
}
} // namespace

CApp::CApp() : m_user(std::make_shared<UserInfo>()) {}

CApp::~CApp() {
    Shutdown();
}

bool CApp::Startup() {
    InstallCrashHandler();
    const QStringList homeProblems = platform::PrepareProgramHome();
    m_config = std::make_shared<CConfig>();

    // The running instance shows its main window as if its tray icon had been clicked.
    m_instanceGuard = std::make_unique<platform::SingleInstance>(
        m_config->GetChannelName(),
        platform::SingleInstance::WakeUp{ui::WM_TRAY, 0, ui::WM_LBUTTONUP});
    if (!m_instanceGuard->Acquire()) {
        m_instanceGuard->SendWakeUp();
        return false;
    }

    applog::InitLogging(platform::ProgramHome() + QStringLiteral("log.log"));
    applog::Info(QStringLiteral("Velmora %1 starting, channel %2")
                     .arg(m_config->GetVersion(), m_config->GetChannelName()));
    if (!m_instanceGuard->ListenProblem().isEmpty())
        applog::Warning(m_instanceGuard->ListenProblem());
    for (const QString& problem : homeProblems)
        Report(problem);
    const QString endpointsProblem = GetEndpointsProblem();
    if (!endpointsProblem.isEmpty())
        applog::Warning(endpointsProblem);
    CPaintManagerUI::SetResourcePath(platform::ProgramHome() + QStringLiteral("skin/Orvanta/"));

    if (curl_global_init(CURL_GLOBAL_ALL) != 0)
        return false;
    m_curlInitialised = true;
    StartUpdateChecker();
    StartWordCapture();

    m_audioEndpoints = std::make_unique<CAudioEndpoints>();
    m_deviceLink = std::make_unique<CDeviceLink>(m_config);
    m_deviceLink->ScanPresentDevices();

    RecordUsageEvent(m_config, 3, QStringLiteral("软件启动"), QString());
    RunFirstStartActions();
    m_updateChecker->StartContactRefresh();
    KeepAutoStartEntryCurrent();
    ApplyUiLanguage();

    CreateRecords();
    RegisterWindowClasses();
    RegisterTranslationWindows();
    m_wndManager = std::make_unique<CWndManager>();
    m_wndManager->SetUsageRecorder([config = m_config](int kind, const QString& info) {
        RecordUsageEvent(config, kind, info, QString());
    });
    CreateMainWindow();
    ListenForWakeUps();
    return true;
}

int CApp::Run() {
    // The first turn of the loop marks the end of start-up in the log (start-up benchmark).
    QTimer::singleShot(0, [] { applog::Info(QStringLiteral("message loop running")); });
    const std::unique_ptr<CLoopWatch> loopWatch = StartLoopWatchOnRequest();
    const int result = CPaintManagerUI::MessageLoop();
    if (loopWatch)
        applog::Info(
            QStringLiteral("message loop: longest gap %1 ms").arg(loopWatch->LongestGapMs()));
    return result;
}

std::unique_ptr<CLoopWatch> CApp::StartLoopWatchOnRequest() {
    if (!CLoopWatch::RequestedByEnvironment())
        return nullptr;
    auto watch = std::make_unique<CLoopWatch>([](const CLoopWatch::Period& period) {
        Json::Value event;
        event["kind"] = "loop";
        event["max_gap_ms"] = static_cast<Json::Int64>(period.longestGapMs);
        event["beats"] = period.beats;
        platform::EmitSimEvent(event);
        if (period.longestGapMs >= kLoopStallMs)
            applog::Warning(
                QStringLiteral("message loop stalled for %1 ms").arg(period.longestGapMs));
    });
    watch->Start();
    return watch;
}

void CApp::StartUpdateChecker() {
    UpdateLinks links;
    links.settings = [config = m_config] {
        UpdateSettings settings;
        settings.updateBase = GetEndpoints().update;
        settings.channelName = config->GetChannelName().toStdString();
        settings.clientVersion = config->GetVersion().toStdString();
        settings.uiLanguage = config->GetUiLanguage();
        settings.resourceFolder = CPaintManagerUI::GetResourcePath();
        settings.downloadFolder = QDir::currentPath() + QLatin1Char('/');
        return settings;
    };
    links.log = [](const QString& line) { applog::Info(line); };
    // Update boxes have no owner and no caption, and carry the exclamation mark.
    links.ask = [](const QString& text, std::function<void(bool)> onAnswer) {
        ui::ShowMessageBox(nullptr, text, QString(), ui::MessageBoxButtons::OkCancel,
                           ui::MessageBoxIcon::Warning,
                           [onAnswer = std::move(onAnswer)](ui::MessageBoxAnswer answer) {
                               onAnswer(answer == ui::MessageBoxAnswer::Ok);
                           });
    };
    links.tell = [](const QString& text) {
        ui::ShowMessageBox(nullptr, text, QString(), ui::MessageBoxButtons::Ok,
                           ui::MessageBoxIcon::Warning);
    };
    // A package is a document for the desktop's installer: opened, never run.
    links.openPackage = [](const QString& fileUrl) {
        return platform::OpenTarget(fileUrl, QStringLiteral("update")).Opened();
    };
    links.quit = [] { QCoreApplication::quit(); };
    m_updateChecker = std::make_unique<CUpdateChecker>(std::move(links));
    m_updateChecker->StartUpdateCheck(false);
}

void CApp::RunFirstStartActions() {
    if (m_config->GetFirst() != QLatin1String("yes"))
        return;
    m_config->SetFirst(QStringLiteral("no"));
    platform::AutoStart(m_config->GetChannelName()).Enable();
    m_config->SetAutoRun(QStringLiteral("on"));
    RecordUsageEvent(m_config, 4, QStringLiteral("新装软件"), QString());
}

void CApp::KeepAutoStartEntryCurrent() {
    // An entry left by an older install (or damaged) would start the wrong program, or none;
    // a missing one was removed by the user and stays removed.
    if (m_config->GetAutoRun() != QLatin1String("on"))
        return;
    const platform::AutoStart autoStart(m_config->GetChannelName());
    if (autoStart.State() != platform::AutoStart::EntryState::Different)
        return;
    if (autoStart.Enable())
        Report(QStringLiteral("autostart entry %1 did not start %2; rewritten")
                   .arg(autoStart.EntryPath(), platform::ExecutablePath()));
    else
        Report(QStringLiteral("autostart entry %1 does not start %2 and cannot be rewritten")
                   .arg(autoStart.EntryPath(), platform::ExecutablePath()));
}

void CApp::ApplyUiLanguage() {
    ::ApplyUiLanguage(m_config->GetUiLanguage());
}

void CApp::RegisterWindowClasses() {
    SessionWindowLinks links;
    links.config = m_config;
    // Looked up on every call: the main window and the manager are made after registration.
    links.voiceMode = [this] { return m_mainWnd ? m_mainWnd->Session().VoiceMode() : 0; };
    links.recordUsage = [config = m_config](int kind, const QString& info) {
        RecordUsageEvent(config, kind, info, QString());
    };
    links.openGetWord = [this](int x, int y, const QString& word) {
        if (m_wndManager)
            m_wndManager->ShowGetWord(x, y, word);
    };
    // The subtitle band's own engine, answering to the band; the target language follows the
    // current device, looked up per request (the device link is made after registration).
    links.makeTransEngine = [this](ITransCallBack* callBack) -> std::unique_ptr<ITransEngine> {
        CTransEngine::Context context;
        context.config = m_config;
        context.deviceKind = [this] {
            return m_deviceLink ? m_deviceLink->State().currentKind.load() : 0;
        };
        return std::make_unique<CTransEngine>(callBack, std::move(context));
    };
    RegisterSessionWindows(CWndManager::RegisteredFactories(), std::move(links));
    ScreenToolLinks screenTools;
    screenTools.config = m_config;
    RegisterScreenToolWindows(CWndManager::RegisteredFactories(), std::move(screenTools));
    RegisterServiceWindowClasses();
    RegisterRecordWindows();
}

void CApp::CreateRecords() {
    m_recordPoster = std::make_shared<CRecordPoster>();
    CRecordStore::Links store;
    store.scanFinished = [poster = m_recordPoster] { poster->Post(recmsg::kLocalRecordsChanged); };
    store.log = [](const QString& line) { applog::Warning(line); };
    m_recordStore = std::make_shared<CRecordStore>(std::move(store));
    CRecordCalls::Links calls;
    CRecordCalls::UseStore(calls, m_recordStore);
    calls.post = [poster = m_recordPoster](unsigned msg, uintptr_t wParam) {
        return poster->Post(msg, wParam);
    };
    m_recordCalls = std::make_shared<CRecordCalls>(GetEndpoints().service, std::move(calls));
}

void CApp::RegisterRecordWindows() {
    AddRecordWindows(CWndManager::RegisteredFactories(), m_recordStore, m_recordCalls);
}

void CApp::RegisterServiceWindowClasses() {
    ServiceWindowLinks links;
    links.config = m_config;
    links.user = m_user;
    links.postToMainWindow = [this](unsigned msg) { PostMessage(m_mainWnd.get(), msg, 0, 0); };
    links.recordUsage = [config = m_config](int kind, const QString& first, const QString& second) {
        RecordUsageEvent(config, kind, first, second);
    };
    links.openDialog = [this](DialogWnd kind, const DialogRequest& request) {
        return m_wndManager && m_wndManager->OpenDialog(kind, request);
    };
    links.reloadMainWindowTexts = [this] {
        if (m_mainWnd)
            m_mainWnd->ReloadTexts();
    };
    // The help window's link goes to the maker's web site and nowhere else.
    links.openTarget = [](const QString& target, const QString& via) {
        platform::OpenPolicy policy;
        policy.webOnly = true;
        platform::OpenTarget(target, via, policy);
    };
    // Asked by the user: the outcome is shown even when nothing is newer or the download failed.
    links.startUpdateCheck = [this] {
        if (m_updateChecker)
            m_updateChecker->StartUpdateCheck(true);
    };
    RegisterServiceWindows(CWndManager::RegisteredFactories(), std::move(links));
}

void CApp::StartWordCapture() {
    QString problem;
    m_wordCapture = platform::CreateScreenWordCapture(&problem);
    // Without it the program runs on; highlighted text simply opens nothing.
    if (!m_wordCapture->IsAvailable())
        applog::Warning(problem.isEmpty() ? QStringLiteral("screen-word capture unavailable")
                                          : problem);
}

void CApp::RegisterTranslationWindows() {
    TransWindowLinks links;
    links.config = m_config;
    links.deviceKind = [devices = m_deviceLink.get()] {
        return devices->State().currentKind.load();
    };
    links.languageChosen = [this] {
        if (m_mainWnd)
            PostMessage(m_mainWnd.get(), ui::WM_USER + 111, 0, 0);
    };
    // The paste of dictation output: Ctrl+V, or the mouse's own paste report for "3212".
    CTextOutput::Context output;
    output.setting = [config = m_config](ConfigKey key) { return config->Get(key); };
    output.sendMousePaste = CTextOutput::MousePasteThrough(m_deviceLink->Context());
    auto paste = std::make_shared<CTextOutput>(std::move(output));
    links.paste = [paste](const QString& text) { return paste->Paste(text); };
    links.recordUsage = [config = m_config](int kind, const QString& first, const QString& second) {
        RecordUsageEvent(config, kind, first, second);
    };
    RegisterTransWindows(CWndManager::RegisteredFactories(), std::move(links));
}

void CApp::CreateMainWindow() {
    CMainWnd::Parts parts;
    parts.config = m_config;
    parts.devices = m_deviceLink.get();
    parts.wndManager = m_wndManager.get();
    parts.audioEndpoints = m_audioEndpoints.get();
    parts.wordCapture = m_wordCapture.get();
    parts.user = m_user;
    parts.records = m_recordStore;
    parts.recordCalls = m_recordCalls;
    parts.recordPoster = m_recordPoster;
    m_mainWnd = std::make_unique<CMainWnd>(std::move(parts));
    // Caption, system menu, sizing frame and minimise box; not visible until the tray asks.
    constexpr uint32_t kMainWindowStyle =
        ui::WS_CAPTION | ui::WS_SYSMENU | ui::WS_THICKFRAME | ui::WS_MINIMIZEBOX;
    m_mainWnd->Create(nullptr, QStringLiteral("MainWnd"), kMainWindowStyle, 0);
    m_mainWnd->CenterWindow();
}

void CApp::ListenForWakeUps() {
    m_instanceGuard->SetWakeHandler(
        [this] { PostMessage(m_mainWnd.get(), ui::WM_TRAY, 0, ui::WM_LBUTTONUP); },
        [](const QString& problem) { applog::Warning(problem); });
}

// Telemetry and service calls run on detached threads; libcurl's global state may go only once
// none of them is inside it. One still there after the wait keeps libcurl to process exit.
void CApp::StopHttp() {
    if (!m_curlInitialised)
        return;
    constexpr std::chrono::milliseconds kTransferDrainWait{2000};
    if (CHttpClient::StopAllTransfers(kTransferDrainWait))
        curl_global_cleanup();
    else
        applog::Warning(QStringLiteral("HTTP transfers still running at exit; libcurl left as is"));
}

void CApp::Shutdown() {
    if (m_shutDown)
        return;
    m_shutDown = true;
    // Its workers report nothing more: no box or hand-over while the windows go away.
    m_updateChecker.reset();
    m_mainWnd.reset();
    m_wndManager.reset();
    if (m_deviceLink)
        m_deviceLink->StopWatching();
    m_deviceLink.reset();
    // A running scan finishes first; its report goes nowhere.
    m_recordCalls.reset();
    m_recordStore.reset();
    m_config.reset();
    m_wordCapture.reset();
    StopHttp();
    CPaintManagerUI::Term();
    applog::Info(QStringLiteral("Velmora stopped"));
    applog::StopLogging();
}
