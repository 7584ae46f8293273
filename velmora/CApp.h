#pragma once

#include <memory>

class CConfig;
class CLoopWatch;
class CWndManager;
class CMainWnd;
class CRecordCalls;
class CRecordPoster;
class CRecordStore;
class CAudioEndpoints;
class CDeviceLink;
class CUpdateChecker;
class UserInfo;
namespace platform {
class IScreenWordCapture;
class SingleInstance;
} // namespace platform

// The application object and the program's composition root: owns the settings store, the
// device link, the window manager and the main window, runs the start-up sequence and the
// shutdown. Lower subsystems never reach it; they are handed what they use.
class CApp {
public:
    CApp();
    ~CApp();
    CApp(const CApp&) = delete;
    CApp& operator=(const CApp&) = delete;

    // Runs the start-up sequence. False means this process must end now with exit code 0
    // (another instance owns the channel, or a library could not be initialised).
    bool Startup();
    // Runs the message loop until the tray menu's exit command; returns the exit code.
    int Run();

private:
    // The stall watch of the message loop, when the environment asks for it (else null).
    static std::unique_ptr<CLoopWatch> StartLoopWatchOnRequest();
    void StartUpdateChecker();
    void ApplyUiLanguage();
    void RunFirstStartActions();
    void KeepAutoStartEntryCurrent();
    void CreateMainWindow();
    void ListenForWakeUps();
    void RegisterWindowClasses();
    void RegisterTranslationWindows();
    void StartWordCapture();
    void RegisterServiceWindowClasses();
    void CreateRecords();
    void RegisterRecordWindows();
    void StopHttp();
    void Shutdown();

    // Destroyed in reverse order of declaration after Shutdown() has released the windows:
    // main window first, then the window manager, then the settings store.
    std::shared_ptr<CConfig> m_config;
    std::unique_ptr<platform::SingleInstance> m_instanceGuard;
    // The account record: filled by sign-in workers, read by the windows.
    std::shared_ptr<UserInfo> m_user;
    // The recordings: made before the windows that show them, shared with the workers.
    std::shared_ptr<CRecordPoster> m_recordPoster;
    std::shared_ptr<CRecordStore> m_recordStore;
    std::shared_ptr<CRecordCalls> m_recordCalls;
    std::unique_ptr<CAudioEndpoints> m_audioEndpoints;
    std::unique_ptr<CDeviceLink> m_deviceLink;
    // Unloaded after the settings store, as the last of the libraries.
    std::unique_ptr<platform::IScreenWordCapture> m_wordCapture;
    // Update buttons ask it for a check with m_updateChecker->StartUpdateCheck(true).
    std::unique_ptr<CUpdateChecker> m_updateChecker;
    std::unique_ptr<CWndManager> m_wndManager;
    std::unique_ptr<CMainWnd> m_mainWnd;
    bool m_curlInitialised = false;
    bool m_shutDown = false;
};
