#pragma once

#include "translate/ITransCallBack.h"
#include "ui/framework/WindowImplBase.h"

#include <QString>

#include <cstdint>
#include <memory>

class CAudioEndpoints;
class CCmdManager;
class CConfig;
class CDeviceLink;
class CMousePage;
class CPenPage;
class CRecordCalls;
class CRecordPoster;
class CRecordStore;
class CRecordsTab;
class CScreenToolSwitch;
class CSessionRecording;
class CTextOutput;
class CTrayIcon;
class CVoiceSession;
class CWndManager;
class IIatEngine;
class ITransEngine;
namespace platform {
class IScreenWordCapture;
}
class UserInfo;
struct CommandRecord;

// The program's one large window and its hub: the device chooser with one page per connected
// device kind, the tray icon, the reading thread of the current device and the voice session.
// Closing it only hides it; it lives until the program ends.
class CMainWnd : public WindowImplBase, public ITransCallBack {
    Q_OBJECT
public:
    // What the window works with; all of it outlives the window.
    struct Parts {
        std::shared_ptr<CConfig> config;
        CDeviceLink* devices = nullptr;
        CWndManager* wndManager = nullptr;
        CAudioEndpoints* audioEndpoints = nullptr;
        // Highlighted text on the desktop opens the get-word window; may be null.
        platform::IScreenWordCapture* wordCapture = nullptr;
        // The account record; the window shows who is signed in on its user buttons.
        std::shared_ptr<UserInfo> user;
        // The recordings and their service calls, and where their workers report; without
        // them the records page does nothing.
        std::shared_ptr<CRecordStore> records;
        std::shared_ptr<CRecordCalls> recordCalls;
        std::shared_ptr<CRecordPoster> recordPoster;
    };

    // How long a highlight rests before its text is read.
    static constexpr int kGetWordDelayMs = 300;

    static constexpr int kIconOnline = 107;
    static constexpr int kIconOffline = 133;

    explicit CMainWnd(Parts parts);
    ~CMainWnd() override;

    QString GetWindowClassName() const override { return QStringLiteral("MainWnd"); }
    QString GetSkinFile() const override { return QStringLiteral("MainWnd.xml"); }

    // Device chooser.
    void BuildDeviceList();
    void AddConnectedDevices();
    void RemoveDevice(int kind);
    void SelectDevice();
    void SetTrayState(int iconId, const QString& tip);

    // Account display on the user buttons of the initialised device pages.
    void ShowSignedIn();
    void ShowSignedOut();

    int DeviceCount() const { return m_deviceCount; }
    CVoiceSession& Session() const { return *m_session; }
    CCmdManager& CommandManager() const { return *m_cmdManager; }

    // Rebuilds the command list of the current device's page (message 1130).
    void RefreshCommandList();

    static constexpr unsigned kCommandListMessage = 0x0400 + 106; // 1130

    // ITransCallBack: translations of dictation with the translation switch off are typed on
    // the request thread.
    void OnTranslated(const std::string& text) override;
    void OnSpeakEnd() override {}

protected:
    void InitWindow() override;
    void Notify(const TNotifyUI& msg) override;
    void OnClick(const TNotifyUI& msg) override;
    intptr_t HandleCustomMessage(unsigned msg, uintptr_t wParam, intptr_t lParam,
                                 bool& handled) override;
    // Timers 1 and 2 belong to the pen's laser dot and magnifier lens.
    void OnTimer(unsigned id) override;

private:
    void CreateEngines();
    void CreateRecordsTab();
    void CreateSessionRecording();
    void OnTrayMessage(intptr_t mouseMessage);
    void OnDeviceArrival(int kind);
    void OnDeviceRemoval(int kind);
    // The model with vendor B75C and product 92CD gets its web-page key switched off. Right
    // after an arrival its node may not exist yet: waitForNode keeps trying for a while.
    void ApplyWebKeyRule(bool waitForNode);
    bool IsWebKeyOffModel() const;
    void RetryWebKey(uint32_t ticket, int triesLeft);
    void FillDeviceChooser();
    void InitDevicePage(int kind);
    void SetChooserItemVisible(int kind, bool visible);
    bool IsConnected(int kind) const;
    bool IsThreadRunning(int kind) const;
    // Starts the kind's reading thread after the pending start delay (consumed here).
    void StartDeviceThread(int kind);
    // Starts the kind's reading thread after the 200 ms switch pause, if it is not running.
    void StartDeviceThreadAfterSwitch(int kind);
    // Starts the kind's thread after delayMs if by then it is still the current kind, connected
    // and not running.
    void ScheduleThreadStart(int kind, int delayMs);
    // The chosen kind's thread runs, the other one stops (mouse and pen only).
    void SwitchReadingThreadTo(int kind);
    void StopDeviceThreadAndEngine(int kind);
    void SelectChooserItem(int kind);
    void StartWordCapture();
    // The mouse's and the pen's settings pages, made once the skin is loaded.
    void CreatePages();
    // Another window chose a translation language (message 1135).
    void ReselectTranslationLanguage();
    void OnSignedIn();
    void ShowAccountOnPage(int kind, bool signedIn);
    bool IsSignedIn() const;
    void CreateCommandManager();
    // The custom command page of the mouse (kind 0) or the pen (1).
    void InitCommandPage(int kind);
    void OnSubPageSelected(const QString& option);
    void OnAddCommand(int kind);
    void OnBrowseTarget(int kind);
    // A row's delete button: its tag is the row's index in its list.
    void OnDeleteCommand(QWidget* deleteButton);

    Parts m_parts;
    std::unique_ptr<CTrayIcon> m_trayIcon;
    std::unique_ptr<CTextOutput> m_textOutput;
    std::unique_ptr<CVoiceSession> m_session;
    std::unique_ptr<CSessionRecording> m_sessionRecording;
    // Shared with the dispatcher and service threads it starts, which may outlive the window.
    std::shared_ptr<CCmdManager> m_cmdManager;
    std::unique_ptr<IIatEngine> m_engine;
    std::unique_ptr<IIatEngine> m_webEngine;
    std::unique_ptr<ITransEngine> m_transEngine;
    std::unique_ptr<CMousePage> m_mousePage;
    std::unique_ptr<CPenPage> m_penPage;
    // The recording pen's records page; null without a record store.
    std::unique_ptr<CRecordsTab> m_recordsTab;
    // Messages 1154/1155 and timers 1/2: the pen's laser dot and magnifier lens.
    std::unique_ptr<CScreenToolSwitch> m_screenTools;
    int m_deviceCount = 0;
    int m_startDelayMs = 0;
    bool m_pageInitialised[3] = {false, false, false};
    bool m_startPending[2] = {false, false}; // mouse, pen
    uint32_t m_webKeyTicket = 0;             // bumped by each web-key rule run
    bool m_controlsFound = false;
};
