#include "mainwnd/CMainWnd.h"

#include "app/CConfig.h"
#include "app/CWndManager.h"
#include "app/Log.h"
#include "app/Telemetry.h"
#include "commands/CCmdManager.h"
#include "device/CDeviceLink.h"
#include "device/DeviceMessages.h"
#include "device/DeviceState.h"
#include "mainwnd/CMousePage.h"
#include "mainwnd/CPenPage.h"
#include "mainwnd/CScreenToolSwitch.h"
#include "platform/IScreenWordCapture.h"
#include "platform/InputDevices.h"
#include "platform/ProgramHome.h"
#include "platform/SimEvents.h"
#include "platform/XdgApplications.h"
#include "records/CRecordCalls.h"
#include "records/CRecordPoster.h"
#include "records/CRecordStore.h"
#include "records/CRecordsTab.h"
#include "records/CSessionRecording.h"
#include "service/Endpoints.h"
#include "service/UserInfo.h"
#include "service/windows/ServiceMessages.h"
#include "session/CTextOutput.h"
#include "session/CVoiceSession.h"
#include "speech/CAudioEndpoints.h"
#include "speech/CWaveRecorder.h"
#include "speech/CXfEngineWeb.h"
#include "speech/IIatEngine.h"
#include "speech/RecognitionEngines.h"
#include "translate/CTransEngine.h"
#include "translate/CTransWndBase.h"
#include "translate/TransRequests.h"
#include "ui/framework/CTrayIcon.h"
#include "ui/framework/FileDialogs.h"
#include "ui/framework/MessageBox.h"
#include "ui/framework/WindowConstants.h"
#include "ui/framework/WindowMessage.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCursor>
#include <QDir>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTimer>

namespace {
constexpr int kArrivalStartDelayMs = 2000;
constexpr int kSwitchPauseMs = 200;
// How long a newly plugged mouse may take to get its hidraw node, and how often it is looked for.
constexpr int kWebKeyWaitMs = 5000;
constexpr int kWebKeyRetryMs = 100;
constexpr int kMouse = kDeviceMouse;
constexpr int kPen = kDevicePen;
constexpr int kRecorder = kDeviceRecorder;
const char* const kChooser = "device_com";
const char* const kTabs = "main_tablayout";
const char* const kChooserRow = "dev_hlayout";
const char* const kUserButtons[] = {"user_btn", "user_btn_lp", "user_btn_r"};
const char* const kSignedInPicture = "file='mainWnd/head_in.png' dest = '16,12,49,45' "
                                     "corner='33,33,0,0'";
const char* const kSignedOutPicture = "file='mainWnd/head_out.png' dest = '16,12,49,45' "
                                      "corner='33,33,0,0'";

// Sub-page options of the device pages and the page each shows in its tab layout.
struct SubPage {
    const char* option;
    const char* layout;
    int index;
};
const SubPage kSubPages[] = {
    {"voicefunc_opt", "mouse_tablayout", 0}, {"cusset_opt", "mouse_tablayout", 1},
    {"comset_opt", "mouse_tablayout", 2},    {"set_opt", "mouse_tablayout", 3},
    {"voicefunc_opt_lp", "lp_tablayout", 1}, {"cusset_opt_lp", "lp_tablayout", 2},
    {"comset_opt_lp", "lp_tablayout", 0},    {"set_opt_lp", "lp_tablayout", 3},
};

// The custom command page's controls: the mouse's names, the pen's with "_lp".
QString CommandControl(const char* name, int kind) {
    return QString::fromLatin1(name) + (kind == kPen ? QStringLiteral("_lp") : QString());
}

// The type items: the name the add and browse handlers compare, the text id they show.
struct CommandType {
    const char* name;
    const char* textId;
};
const CommandType kCommandTypes[] = {{"website", "id_main_cmd_type_website"},
                                     {"file", "id_main_cmd_type_file"},
                                     {"folder", "id_main_cmd_type_folder"}};
// Usage events of a new command by its type.
const std::pair<const char*, int> kAddCommandEvents[] = {
    {"website", 7}, {"file", 5}, {"folder", 6}};
// Where the browse button's pickers start: the first system application directory for
// programs, the home folder for folders.
const char* const kFolderPickerTitle = "Select the current directory";
const char* const kRowSkin = "listitem.xml";
} // namespace

CMainWnd::CMainWnd(Parts parts) : m_parts(std::move(parts)) {
    SetReportMessages(true);
    // The program lives on in the tray: the title bar's close only hides the settings window.
    SetHideOnClose(true);
    m_trayIcon = std::make_unique<CTrayIcon>();

    CTextOutput::Context output;
    output.keyboard = platform::KeyboardInput();
    output.clipboard = platform::Clipboard();
    output.setting = [config = m_parts.config](ConfigKey key) { return config->Get(key); };
    output.deviceKind = [devices = m_parts.devices] { return devices->State().currentKind.load(); };
    output.voiceMode = [this] { return m_session->VoiceMode(); };
    output.sessionText = [this] { return m_session->SessionText(); };
    output.lastFlag = [this] { return m_session->LastFlag(); };
    output.showVoiceTip = [wm = m_parts.wndManager](int state, const QString& text, bool hide,
                                                    int delayMs) {
        wm->ShowVoiceTip(state, text, hide, delayMs);
    };
    output.recordUsageEvent = [config = m_parts.config](int kind, const std::string& first,
                                                        const std::string& second) {
        RecordUsageEvent(config, kind, QString::fromStdString(first),
                         QString::fromStdString(second));
    };
    output.sendMousePaste = [devices = m_parts.devices] { return devices->SendCtrlVByMouse(); };
    m_textOutput = std::make_unique<CTextOutput>(std::move(output));

    CVoiceSession::Context session;
    session.config = m_parts.config;
    session.deviceKind = [devices = m_parts.devices] {
        return devices->State().currentKind.load();
    };
    session.showVoiceTip = [wm = m_parts.wndManager](int state, const QString& text, bool hide,
                                                     int delayMs) {
        wm->ShowVoiceTip(state, text, hide, delayMs);
    };
    session.hideVoiceTip = [wm = m_parts.wndManager] { wm->HideVoiceTip(); };
    session.showSubtitle = [wm = m_parts.wndManager] { wm->ShowSubtitle(); };
    session.addSubtitleText = [wm = m_parts.wndManager](const QString& text) {
        wm->AddSubtitleText(text);
    };
    session.startSubtitleHideTimer = [wm = m_parts.wndManager] { wm->StartSubtitleHideTimer(); };
    session.showTranslation = [wm = m_parts.wndManager](const QString& text, bool last) {
        wm->ShowTranslation(text, last);
    };
    session.typeText = [this](const std::string& text) { m_textOutput->TypeText(text); };
    session.translateAndType = [this](const std::string& text) {
        transreq::TranslateWithConfiguredService(*m_transEngine, *m_parts.config, text);
    };
    session.sendDeviceInfo = [config = m_parts.config] { SendDeviceInfo(config, 0); };
    session.recordUsageEvent = output.recordUsageEvent;
    session.sendEndOfVoiceState = [devices = m_parts.devices] { devices->SendEndOfVoiceState(); };
    session.resetMouseLastKey = [devices = m_parts.devices] { devices->ResetMouseLastKey(); };
    session.appendSessionText = [this](const QString& text) {
        m_sessionRecording->AppendText(text);
    };
    session.endSessionText = [this] { m_sessionRecording->OnFinalResult(); };
    CreateSessionRecording();
    CreateCommandManager();
    session.handleCommand = [manager = m_cmdManager](const std::string& text) {
        manager->StartVoiceCommand(text);
    };
    m_session = std::make_unique<CVoiceSession>(std::move(session));

    CTransEngine::Context translation;
    translation.config = m_parts.config;
    translation.deviceKind = [devices = m_parts.devices] {
        return devices->State().currentKind.load();
    };
    m_transEngine = std::make_unique<CTransEngine>(this, std::move(translation));

    // Reading threads and the hot-plug watcher post to this window from their own threads.
    m_parts.devices->SetPoster([this](unsigned msg, uintptr_t wParam, intptr_t lParam) {
        PostMessage(this, msg, wParam, lParam);
    });
    CreateEngines();
    CreatePages();
    CreateRecordsTab();
    m_screenTools = std::make_unique<CScreenToolSwitch>(*this, *m_parts.wndManager, nullptr);
}

CMainWnd::~CMainWnd() {
    // Record workers still running report to nobody from here on.
    if (m_parts.recordPoster)
        m_parts.recordPoster->Detach();
    // The pointer comes back however the program ends.
    m_screenTools.reset();
    if (m_parts.wordCapture)
        m_parts.wordCapture->SetHighlightReadyCallback(nullptr);
    m_transEngine.reset();
    m_cmdManager->Shutdown();
    m_parts.devices->SetPoster(nullptr);
    m_parts.devices->StopWatching();
    m_parts.devices->StopReadingThread(kMouse);
    m_parts.devices->StopReadingThread(kPen);
    m_session->SetEngine(nullptr);
    if (m_engine)
        m_engine->Quit();
    m_engine.reset();
    m_webEngine.reset();
    // After the engines: no result can append to the session text any more.
    m_sessionRecording.reset();
}

void CMainWnd::CreateSessionRecording() {
    CSessionRecording::Links links;
    // The pen page's save folder, once the page has one.
    links.saveFolder = [this] { return GetControlText(QStringLiteral("save_edit_lp")); };
    links.defaultFolder = platform::ProgramHome() + QStringLiteral("Subtitle/");
    links.setRecordingFile = [](std::shared_ptr<std::FILE> file) {
        CWaveRecorder::Shared().SetRecordingFile(std::move(file));
    };
    links.log = [](const QString& line) { applog::Warning(line); };
    m_sessionRecording = std::make_unique<CSessionRecording>(std::move(links));
}

void CMainWnd::CreateCommandManager() {
    const Endpoints& endpoints = GetEndpoints();
    CCmdManager::Context context;
    context.config = m_parts.config;
    context.deviceKind = [devices = m_parts.devices] {
        return devices->State().currentKind.load();
    };
    context.serviceBase = endpoints.service;
    context.semanticBase = endpoints.semantic;
    context.semanticEngineId = endpoints.semanticEngineId;
    context.trustedProgramsFile = platform::ProgramHome() + QStringLiteral("trusted_programs.txt");
    context.commandListChanged = [this] { PostMessage(this, kCommandListMessage, 0, 0); };
    m_cmdManager = CCmdManager::Create(std::move(context));
}

void CMainWnd::CreateEngines() {
    RecognitionEngines engines = CreateRecognitionEngines(
        m_parts.config, m_session.get(),
        [devices = m_parts.devices] { return devices->State().currentKind.load(); },
        [session = m_session.get()] { return session->VoiceMode(); });
    m_engine = std::move(engines.recognizer);
    m_webEngine = std::move(engines.web);
    m_session->SetEngine(m_engine.get());
}

void CMainWnd::CreateRecordsTab() {
    if (!m_parts.records || !m_parts.recordCalls)
        return;
    if (m_parts.recordPoster)
        m_parts.recordPoster->Attach(this);
    CRecordsTab::Links links;
    links.store = m_parts.records;
    links.calls = m_parts.recordCalls;
    links.user = m_parts.user;
    links.openDialog = [this](DialogWnd kind, const DialogRequest& request) {
        m_parts.wndManager->OpenDialog(kind, request);
    };
    links.findRecorderDrive = [] { return FindRecorderDrive(); };
    // Only the "xf" engine keeps a transcriber beside it.
    CXfEngineWeb* transcriber = dynamic_cast<CXfEngineWeb*>(m_webEngine.get());
    if (transcriber) {
        links.transcribe = [transcriber](const TranscriptionJob& job) {
            transcriber->SetJob(job);
            transcriber->BeginRecognize();
        };
    }
    m_recordsTab = std::make_unique<CRecordsTab>(*this, std::move(links));
    if (transcriber)
        transcriber->SetListener(m_recordsTab->TranscriberListener());
}

void CMainWnd::InitWindow() {
    if (QWidget* widget = GetHWND())
        widget->setWindowTitle(QStringLiteral("OrvexMain"));
    SetIcon(kIconOnline);
    m_trayIcon->CreateTrayIcon(this, kIconOnline, QStringLiteral("Velmora"));
    m_parts.devices->StartWatching();
    FillDeviceChooser();
    m_controlsFound = FindControl(kChooser) && FindControl(kTabs) && FindControl(kChooserRow);
    StartWordCapture();
    BuildDeviceList();
    ApplyWebKeyRule(false);
}

void CMainWnd::StartWordCapture() {
    platform::IScreenWordCapture* capture = m_parts.wordCapture;
    if (capture == nullptr)
        return;
    capture->SetDelay(kGetWordDelayMs);
    // Runs on the capture's thread; the window manager brings the show to the UI thread.
    capture->SetHighlightReadyCallback([wm = m_parts.wndManager](const QString& text) {
        if (text.isEmpty())
            return;
        const QPoint pointer = platform::Screen()->CursorPosition().value_or(QPoint());
        wm->ShowGetWord(pointer.x(), pointer.y(), text);
    });
}

void CMainWnd::CreatePages() {
    CDevicePage::Links links;
    links.config = m_parts.config;
    links.updateEngineParams = [this] {
        if (m_engine)
            m_engine->UpdateParams();
    };
    links.recordUsage = [config = m_parts.config](int kind) {
        RecordUsageEvent(config, kind, UsageEventText(kind), QString());
    };
    links.enableHighlightCapture = [capture = m_parts.wordCapture](bool on) {
        if (capture)
            capture->EnableHighlightCapture(on);
    };
    links.sendDpi = [devices = m_parts.devices](const QString& step) {
        devices->SendDpiToMouseDetached(step);
    };
    links.sendWebKey = [devices = m_parts.devices] { return devices->SendWebKeyToMouse(); };
    links.isModel5698 = [devices = m_parts.devices] {
        return devices->State().secondLayout.load();
    };
    links.applyMagnifierZoom = [wm = m_parts.wndManager] { wm->ApplyMagnifierZoom(); };
    links.openColourPicker = [this](int purpose, const QPoint& at) {
        DialogRequest request;
        request.owner = GetHWND();
        request.position = at;
        request.argument = purpose;
        m_parts.wndManager->OpenDialog(DialogWnd::Color, request);
    };
    links.cursorPosition = [] {
        return platform::Screen()->CursorPosition().value_or(QCursor::pos());
    };
    m_mousePage = std::make_unique<CMousePage>(*this, links);
    m_penPage = std::make_unique<CPenPage>(*this, std::move(links));
}

void CMainWnd::ReselectTranslationLanguage() {
    const int kind = m_parts.devices->State().currentKind.load();
    if (kind == kMouse && m_pageInitialised[kMouse])
        m_mousePage->ReselectTranslationLanguage();
    else if (kind == kPen && m_pageInitialised[kPen])
        m_penPage->ReselectTranslationLanguage();
}

void CMainWnd::OnTranslated(const std::string& text) {
    m_textOutput->TypeText(text);
}

bool CMainWnd::IsWebKeyOffModel() const {
    const CConfig& config = *m_parts.config;
    return config.GetVid() == QLatin1String("B75C") && config.GetPid() == QLatin1String("92CD");
}

void CMainWnd::ApplyWebKeyRule(bool waitForNode) {
    if (!IsWebKeyOffModel())
        return;
    m_parts.config->SetUrl(QStringLiteral("off"));
    // Shown by the page itself: the box's own change handler would send the key a second time.
    m_mousePage->ShowWebKey();
    const uint32_t ticket = ++m_webKeyTicket;
    if (!m_parts.devices->SendWebKeyToMouse() && waitForNode)
        RetryWebKey(ticket, kWebKeyWaitMs / kWebKeyRetryMs);
}

void CMainWnd::RetryWebKey(uint32_t ticket, int triesLeft) {
    // The USB add event comes before the new mouse's hidraw node exists; the report goes out
    // as soon as the node can be opened. A newer arrival, a removal or another mouse ends it.
    QTimer::singleShot(kWebKeyRetryMs, this, [this, ticket, triesLeft] {
        if (ticket != m_webKeyTicket || !IsConnected(kMouse) || !IsWebKeyOffModel())
            return;
        if (!m_parts.devices->SendWebKeyToMouse() && triesLeft > 1)
            RetryWebKey(ticket, triesLeft - 1);
    });
}

void CMainWnd::FillDeviceChooser() {
    if (!FindControl(kChooser))
        return;
    const auto products = CConfig::ProductNames();
    RemoveAllListItems(kChooser);
    AddListItem(kChooser, {QStringLiteral("mouse"), products.at(QStringLiteral("mouse")), kMouse});
    AddListItem(kChooser, {QStringLiteral("lp"), products.at(QStringLiteral("lp")), kPen});
    AddListItem(kChooser, {QStringLiteral("recorder"), QStringLiteral("Recorder"), kRecorder});
    for (int kind = kMouse; kind <= kRecorder; ++kind)
        SetChooserItemVisible(kind, false);
}

bool CMainWnd::IsConnected(int kind) const {
    DeviceState& state = m_parts.devices->State();
    switch (kind) {
    case kMouse:
        return state.mousePresent.load();
    case kPen:
        return state.penPresent.load();
    case kRecorder:
        return state.recorderPresent.load();
    default:
        return false;
    }
}

bool CMainWnd::IsThreadRunning(int kind) const {
    DeviceState& state = m_parts.devices->State();
    if (kind == kMouse)
        return !state.mouseStop.load();
    if (kind == kPen)
        return !state.penStop.load();
    return false;
}

void CMainWnd::InitDevicePage(int kind) {
    if (kind < 0 || kind > kRecorder || m_pageInitialised[kind])
        return;
    m_pageInitialised[kind] = true;
    if (kind == kMouse)
        m_mousePage->Load();
    else if (kind == kPen)
        m_penPage->Load();
    if (kind == kMouse || kind == kPen)
        InitCommandPage(kind);
    if (kind == kRecorder && m_recordsTab)
        m_recordsTab->InitRecorderPage();
    if (IsSignedIn())
        ShowAccountOnPage(kind, true);
}

bool CMainWnd::IsSignedIn() const {
    return m_parts.user && m_parts.user->IsSignedIn();
}

void CMainWnd::ShowAccountOnPage(int kind, bool signedIn) {
    const QString button = QLatin1String(kUserButtons[kind]);
    if (!FindControl(button))
        return;
    if (signedIn) {
        SetBkImage(button, QLatin1String(kSignedInPicture));
        SetControlText(button, QString::fromStdString(m_parts.user->Record().phone));
    } else {
        SetBkImage(button, QLatin1String(kSignedOutPicture));
        SetControlText(button, QStringLiteral("id_software_settings_window_user_no_log_text"));
    }
    if (kind == kRecorder) {
        SetControlVisible(QStringLiteral("unlogin_c"), !signedIn);
        SetControlVisible(QStringLiteral("login_c"), signedIn);
    }
}

void CMainWnd::ShowSignedIn() {
    if (!m_parts.user)
        return;
    for (int kind = kMouse; kind <= kRecorder; ++kind) {
        if (m_pageInitialised[kind])
            ShowAccountOnPage(kind, true);
    }
}

void CMainWnd::ShowSignedOut() {
    for (int kind = kMouse; kind <= kRecorder; ++kind) {
        if (m_pageInitialised[kind])
            ShowAccountOnPage(kind, false);
    }
}

void CMainWnd::OnSignedIn() {
    ShowSignedIn();
    if (m_recordsTab && IsSignedIn())
        m_recordsTab->OnSignedIn();
    if (m_parts.user && m_parts.devices->State().currentKind.load() == kMouse)
        SendDeviceInfo(m_parts.config, m_parts.user->Record().id);
}

void CMainWnd::SetChooserItemVisible(int kind, bool visible) {
    QWidget* chooser = FindControl(kChooser);
    if (auto* combo = qobject_cast<QComboBox*>(chooser)) {
        if (auto* view = qobject_cast<QListView*>(combo->view()))
            view->setRowHidden(kind, !visible);
        // Hiding a row only keeps it out of the pop-up; the wheel and the arrow keys pass over
        // disabled rows alone.
        if (auto* model = qobject_cast<QStandardItemModel*>(combo->model())) {
            if (QStandardItem* item = model->item(kind))
                item->setEnabled(visible);
        }
    } else if (auto* list = qobject_cast<QListWidget*>(chooser)) {
        if (QListWidgetItem* item = list->item(kind)) {
            item->setHidden(!visible);
            item->setFlags(visible ? item->flags() | Qt::ItemIsEnabled | Qt::ItemIsSelectable
                                   : item->flags() & ~(Qt::ItemIsEnabled | Qt::ItemIsSelectable));
        }
    }
}

void CMainWnd::SelectChooserItem(int kind) {
    // Choosing the item that is already current sends no notification, yet the choice must
    // still run (the device's microphone, its thread).
    if (GetListCurSel(kChooser) == kind)
        SelectDevice();
    else
        SelectListItem(kChooser, kind);
}

void CMainWnd::BuildDeviceList() {
    if (!m_controlsFound)
        return;
    m_deviceCount = 0;
    DeviceState& state = m_parts.devices->State();
    const bool mouse = IsConnected(kMouse);
    const bool pen = IsConnected(kPen);
    // The thread start is scheduled before the selection, so the selection's own start (after
    // the switch pause) finds it pending and the arrival delay holds.
    if (mouse) {
        ++m_deviceCount;
        state.currentKind = kMouse;
        InitDevicePage(kMouse);
        SetChooserItemVisible(kMouse, true);
        if (!IsThreadRunning(kMouse))
            StartDeviceThread(kMouse);
        SelectChooserItem(kMouse);
    }
    if (pen) {
        ++m_deviceCount;
        SetChooserItemVisible(kPen, true);
        InitDevicePage(kPen);
        if (!mouse) {
            state.currentKind = kPen;
            if (!IsThreadRunning(kPen))
                StartDeviceThread(kPen);
            SelectChooserItem(kPen);
        }
    }
    if (IsConnected(kRecorder)) {
        ++m_deviceCount;
        SetChooserItemVisible(kRecorder, true);
        InitDevicePage(kRecorder);
        if (!mouse && !pen) {
            state.currentKind = kRecorder;
            SelectChooserItem(kRecorder);
        }
    }
    if (m_deviceCount == 0)
        SetTrayState(kIconOffline, QStringLiteral("Velmora"));
    else if (m_deviceCount == 1)
        SetControlVisible(kChooserRow, false);
}

void CMainWnd::AddConnectedDevices() {
    SetControlVisible(kChooserRow, true);
    for (int kind = kMouse; kind <= kRecorder; ++kind) {
        if (!IsConnected(kind))
            continue;
        SetChooserItemVisible(kind, true);
        InitDevicePage(kind);
    }
}

void CMainWnd::StartDeviceThread(int kind) {
    const int delay = m_startDelayMs;
    m_startDelayMs = 0;
    ScheduleThreadStart(kind, delay);
}

void CMainWnd::StartDeviceThreadAfterSwitch(int kind) {
    ScheduleThreadStart(kind, kSwitchPauseMs);
}

void CMainWnd::ScheduleThreadStart(int kind, int delayMs) {
    if (kind != kMouse && kind != kPen)
        return;
    // One pending start per kind: a later request must not cut an arrival's settling time
    // short, nor start the thread twice.
    if (m_startPending[kind])
        return;
    m_startPending[kind] = true;
    // A timer keeps the window responsive during the pause. What is true when it fires
    // decides: a device chosen away from or gone in between gets no thread.
    QTimer::singleShot(delayMs, this, [this, kind] {
        m_startPending[kind] = false;
        if (m_parts.devices->State().currentKind == kind && IsConnected(kind) &&
            !IsThreadRunning(kind)) {
            m_parts.devices->StartReadingThread(kind);
            // Every thread start downloads the device's command list again.
            m_cmdManager->StartFetchCommands();
        }
    });
}

void CMainWnd::StopDeviceThreadAndEngine(int kind) {
    // Without its thread no key-up can come from the pen: its tools end here.
    if (kind == kPen)
        m_screenTools->SwitchOff();
    m_parts.devices->StopReadingThread(kind);
    if (m_engine)
        m_engine->Quit();
}

void CMainWnd::SelectDevice() {
    if (!FindControl(kChooser) || !FindControl(kTabs))
        return;
    const int index = GetListCurSel(kChooser);
    if (index < 0)
        return;
    const QString itemName = GetListItem(kChooser, index).name;
    SelectTabPage(kTabs, index);

    const auto products = CConfig::ProductNames();
    const auto product = products.find(itemName);
    m_parts.audioEndpoints->Refresh();
    m_parts.audioEndpoints->SelectByName(product == products.end() ? QString() : product->second);

    m_parts.devices->State().currentKind = index;
    if (index == kMouse || index == kPen)
        SwitchReadingThreadTo(index);
}

void CMainWnd::SwitchReadingThreadTo(int kind) {
    const int other = kind == kMouse ? kPen : kMouse;
    if (IsThreadRunning(other))
        StopDeviceThreadAndEngine(other);
    // The chosen kind's reader may have ended by itself (a mouse that cannot be opened, the
    // Bluetooth model): it is started again whatever the other thread did.
    if (IsConnected(kind) && !IsThreadRunning(kind))
        StartDeviceThreadAfterSwitch(kind);
}

void CMainWnd::RemoveDevice(int kind) {
    SetChooserItemVisible(kind, false);
    if (kind == kMouse) {
        if (IsConnected(kPen)) {
            if (!IsThreadRunning(kPen))
                StartDeviceThreadAfterSwitch(kPen);
            SelectChooserItem(kPen);
        } else if (IsConnected(kRecorder)) {
            SelectChooserItem(kRecorder);
        }
    } else if (kind == kRecorder || kind == kPen) {
        if (IsConnected(kMouse)) {
            if (!IsThreadRunning(kMouse))
                StartDeviceThreadAfterSwitch(kMouse);
            SelectChooserItem(kMouse);
        } else if (kind == kRecorder && IsConnected(kPen)) {
            if (!IsThreadRunning(kPen))
                StartDeviceThreadAfterSwitch(kPen);
            SelectChooserItem(kPen);
        } else if (kind == kPen && IsConnected(kRecorder)) {
            SelectChooserItem(kRecorder);
        }
    }
    int remaining = 0;
    for (int k = kMouse; k <= kRecorder; ++k)
        remaining += IsConnected(k) ? 1 : 0;
    if (remaining < 2)
        SetControlVisible(kChooserRow, false);
}

void CMainWnd::SetTrayState(int iconId, const QString& tip) {
    m_trayIcon->SetIcon(iconId);
    m_trayIcon->SetTooltipText(tip);
}

void CMainWnd::OnDeviceArrival(int kind) {
    DeviceState& state = m_parts.devices->State();
    if (kind == kMouse)
        state.mousePresent = true;
    else if (kind == kPen)
        state.penPresent = true;
    else
        state.recorderPresent = true;
    if (kind != kRecorder)
        m_startDelayMs = kArrivalStartDelayMs;
    if (m_deviceCount > 0) {
        ++m_deviceCount;
        AddConnectedDevices();
    } else {
        BuildDeviceList();
    }
    SetTrayState(kIconOnline, QStringLiteral("Velmora"));
    if (kind == kMouse)
        ApplyWebKeyRule(true);
}

void CMainWnd::OnDeviceRemoval(int kind) {
    DeviceState& state = m_parts.devices->State();
    if (kind == kMouse)
        state.mousePresent = false;
    else if (kind == kPen)
        state.penPresent = false;
    else
        state.recorderPresent = false;
    if (kind == kPen)
        m_screenTools->SwitchOff();
    if (kind != kRecorder && IsThreadRunning(kind))
        StopDeviceThreadAndEngine(kind);
    if (m_deviceCount > 0)
        --m_deviceCount;
    if (m_deviceCount == 0) {
        ShowWindow(false, false);
        SetTrayState(kIconOffline, QStringLiteral("Velmora"));
    }
    RemoveDevice(kind);
}

void CMainWnd::OnTrayMessage(intptr_t mouseMessage) {
    if (mouseMessage == ui::WM_LBUTTONUP) {
        if (m_deviceCount > 0) {
            ShowWindow(true, true);
            BringToForeground();
        }
    } else if (mouseMessage == ui::WM_RBUTTONUP) {
        m_parts.wndManager->ShowTrayMenu(QCursor::pos());
    }
}

void CMainWnd::Notify(const TNotifyUI& msg) {
    if (msg.sType == QLatin1String("itemselect")) {
        if (msg.senderName == QLatin1String(kChooser))
            SelectDevice();
        else if (!m_mousePage->OnItemSelect(msg.senderName))
            m_penPage->OnItemSelect(msg.senderName);
        return;
    }
    if (msg.sType == QLatin1String("selectchanged")) {
        if (msg.wParam != 0)
            OnSubPageSelected(msg.senderName);
        const bool checked = msg.wParam != 0;
        if (m_recordsTab && m_recordsTab->OnSelectChanged(msg.senderName, checked))
            return;
        if (!m_mousePage->OnSelectChanged(msg.senderName, checked))
            m_penPage->OnSelectChanged(msg.senderName, checked);
        return;
    }
    WindowImplBase::Notify(msg);
}

void CMainWnd::OnClick(const TNotifyUI& msg) {
    const QString& name = msg.senderName;
    if (name == QLatin1String("close_btn")) {
        ShowWindow(false, false);
    } else if (name == QLatin1String("set_btn")) {
        m_parts.wndManager->OpenDialog(DialogWnd::Set);
    } else if (name == QLatin1String("head_btn")) {
        if (!IsSignedIn())
            m_parts.wndManager->OpenDialog(DialogWnd::Login);
    } else if (name == QLatin1String("commom_set_btn") || name == QLatin1String("user_btn") ||
               name == QLatin1String("user_btn_lp") || name == QLatin1String("user_btn_r") ||
               name == QLatin1String("tologin_btn")) {
        DialogRequest request;
        request.owner = GetHWND();
        m_parts.wndManager->OpenDialog(DialogWnd::Common, request);
    } else if (name == QLatin1String("add_cmd_btn")) {
        OnAddCommand(kMouse);
    } else if (name == QLatin1String("add_cmd_btn_lp")) {
        OnAddCommand(kPen);
    } else if (name == QLatin1String("url_btn")) {
        OnBrowseTarget(kMouse);
    } else if (name == QLatin1String("url_btn_lp")) {
        OnBrowseTarget(kPen);
    } else if (name == QLatin1String("item_del_btn")) {
        OnDeleteCommand(msg.pSender);
    } else if (!m_recordsTab || !m_recordsTab->OnClick(name, msg.pSender)) {
        m_penPage->OnClick(name);
    }
}

void CMainWnd::OnSubPageSelected(const QString& option) {
    for (const SubPage& page : kSubPages) {
        if (option == QLatin1String(page.option))
            SelectTabPage(QString::fromLatin1(page.layout), page.index);
    }
}

// --- custom command page -------------------------------------------------------------------

void CMainWnd::InitCommandPage(int kind) {
    const QString types = CommandControl("cmdtype_com", kind);
    if (!FindControl(types))
        return;
    RemoveAllListItems(types);
    for (const CommandType& type : kCommandTypes)
        AddListItem(types,
                    {QString::fromLatin1(type.name), QString::fromLatin1(type.textId), QVariant()});
    SelectListItem(types, 0);
}

void CMainWnd::OnAddCommand(int kind) {
    const QString types = CommandControl("cmdtype_com", kind);
    const QString wordEdit = CommandControl("cmd_edit", kind);
    const QString targetEdit = CommandControl("url_edit", kind);
    const int selected = GetListCurSel(types);
    const QString type = selected >= 0 ? GetListItem(types, selected).name : QString();
    const QString word = GetControlText(wordEdit);
    const QString target = GetControlText(targetEdit);
    if (word.isEmpty() || target.isEmpty()) {
        ui::ShowMessageBox(GetHWND(), QStringLiteral("命令词或路径不能为空！"),
                           QStringLiteral("提示"), ui::MessageBoxButtons::Ok,
                           ui::MessageBoxIcon::None);
        return;
    }
    QString storedType;
    for (const auto& [name, usageKind] : kAddCommandEvents) {
        if (type == QLatin1String(name)) {
            storedType = type;
            RecordUsageEvent(m_parts.config, usageKind, UsageEventText(usageKind), QString());
        }
    }
    m_cmdManager->StartAddCommand({target, word, storedType, QString()});
    SetControlText(wordEdit, QString());
    SetControlText(targetEdit, QString());
}

void CMainWnd::OnBrowseTarget(int kind) {
    const QString types = CommandControl("cmdtype_com", kind);
    const int selected = GetListCurSel(types);
    const QString type = selected >= 0 ? GetListItem(types, selected).name : QString();
    const QString targetEdit = CommandControl("url_edit", kind);
    // The answer comes later on this thread; a window gone by then takes no text.
    QPointer<QObject> alive(this);
    auto putTarget = [this, alive, targetEdit](const QString& path) {
        if (alive && !path.isEmpty())
            SetControlText(targetEdit, path);
    };
    if (type == QLatin1String("file")) {
        const QStringList dirs = platform::ApplicationDirs();
        ui::PickFile(GetHWND(), QString(), dirs.size() > 1 ? dirs[1] : dirs.value(0),
                     {QStringLiteral("all file(*)"), QStringLiteral("Applications (*.desktop)")},
                     putTarget);
    } else if (type == QLatin1String("folder")) {
        ui::PickFolder(GetHWND(), QString::fromLatin1(kFolderPickerTitle), QDir::homePath(),
                       putTarget);
    }
}

void CMainWnd::OnDeleteCommand(QWidget* deleteButton) {
    const int row = static_cast<int>(GetTag(deleteButton));
    // The button sits in the list of the page it belongs to.
    for (const int kind : {kMouse, kPen}) {
        const QString listName = CommandControl("cmd_list", kind);
        QWidget* list = FindControl(listName);
        if (!list || !list->isAncestorOf(deleteButton))
            continue;
        if (const auto* word = qobject_cast<QLabel*>(
                FindRowControl(listName, row, QStringLiteral("item_cmd_lab"))))
            m_cmdManager->StartDeleteCommand(word->text());
    }
}

void CMainWnd::RefreshCommandList() {
    const int kind = m_parts.devices->State().currentKind.load();
    if (kind != kMouse && kind != kPen)
        return;
    const QString listName = CommandControl("cmd_list", kind);
    if (!FindControl(listName))
        return;
    const std::vector<CommandRecord> records = m_cmdManager->Commands(kind);
    RemoveAllListItems(listName);
    Json::Value event;
    event["kind"] = "command_list";
    event["control"] = listName.toStdString();
    event["rows"] = Json::arrayValue;
    for (size_t i = 0; i < records.size(); ++i) {
        const CommandRecord& record = records[i];
        // The row's index is the tag of its controls: the delete button finds its word by it.
        QWidget* row = AddListRow(listName, QString::fromLatin1(kRowSkin),
                                  {record.customCmd, record.customCmd, static_cast<int>(i)});
        if (!row)
            break;
        const std::pair<const char*, QString> labels[] = {{"item_type_lab", record.cmdType},
                                                          {"item_cmd_lab", record.customCmd},
                                                          {"item_url_lab", record.customName}};
        for (const auto& [name, text] : labels) {
            if (auto* label = row->findChild<QLabel*>(QString::fromLatin1(name))) {
                label->setTextFormat(Qt::PlainText);
                label->setText(text);
            }
        }
        Json::Value shown;
        shown["cmdType"] = record.cmdType.toStdString();
        shown["customCmd"] = record.customCmd.toStdString();
        shown["customName"] = record.customName.toStdString();
        event["rows"].append(shown);
    }
    platform::EmitSimEvent(event);
}

intptr_t CMainWnd::HandleCustomMessage(unsigned msg, uintptr_t wParam, intptr_t lParam,
                                       bool& handled) {
    handled = true;
    switch (msg) {
    case ui::WM_TRAY:
        OnTrayMessage(lParam);
        break;
    case devmsg::kMousePresence:
        wParam ? OnDeviceArrival(kMouse) : OnDeviceRemoval(kMouse);
        break;
    case devmsg::kRecorderPresence:
        wParam ? OnDeviceArrival(kRecorder) : OnDeviceRemoval(kRecorder);
        break;
    case devmsg::kPenPresence:
        wParam ? OnDeviceArrival(kPen) : OnDeviceRemoval(kPen);
        break;
    case devmsg::kVoiceKeyDown:
        m_session->OnKeyDown(static_cast<int>(wParam));
        break;
    case devmsg::kVoiceKeyUp:
        m_session->OnKeyUp();
        break;
    case devmsg::kNotice:
        m_parts.wndManager->ShowNotice(static_cast<int>(wParam));
        break;
    case devmsg::kGeneration:
        m_session->OnGenerationKnown(static_cast<int>(wParam));
        break;
    case devmsg::kSensor:
        m_mousePage->RebuildResolutionList();
        break;
    case CTransWndBase::kLanguageChosen:
        ReselectTranslationLanguage();
        break;
    case devmsg::kSerialKnown:
        m_mousePage->ShowSerialNumber();
        m_cmdManager->StartFetchCommands();
        break;
    case kCommandListMessage:
        RefreshCommandList();
        break;
    case devmsg::kRecordingStart:
        m_sessionRecording->Start();
        break;
    case devmsg::kRecordingStop:
        m_sessionRecording->Stop();
        break;
    case svcmsg::kSignedIn:
        OnSignedIn();
        break;
    case svcmsg::kSignedOut:
        ShowSignedOut();
        if (m_recordsTab)
            m_recordsTab->OnSignedOut();
        break;
    case svcmsg::kLaserColour:
        m_penPage->ShowLaserColour();
        break;
    case svcmsg::kSubtitleColour:
        m_penPage->ShowSubtitleColour();
        break;
    case devmsg::kLaser:
        m_screenTools->OnLaserMessage(wParam);
        break;
    case devmsg::kMagnifier:
        m_screenTools->OnMagnifierMessage(wParam);
        break;
    case devmsg::kArrowKey:
        if (wParam == 1 || wParam == 2)
            m_textOutput->PressArrow(wParam == 1 ? platform::ArrowKey::Up
                                                 : platform::ArrowKey::Down);
        break;
    default:
        handled = m_recordsTab && m_recordsTab->HandleMessage(msg, wParam);
        break;
    }
    return 0;
}

void CMainWnd::OnTimer(unsigned id) {
    m_screenTools->OnTimer(id);
}
