#include "app/CWndManager.h"

#include "app/CTrayMenu.h"
#include "app/FloatingWindowInterfaces.h"
#include "platform/DebugChannel.h"
#include "ui/framework/CWindowRegistry.h"
#include "ui/framework/WindowConstants.h"
#include "ui/framework/WindowImplBase.h"
#include "ui/framework/WindowMessage.h"

#include <QCursor>
#include <QThread>

namespace {

struct WindowSpec {
    const char* name;
    uint32_t style;
    uint32_t exStyle;
};

constexpr WindowSpec kFloatingSpecs[] = {
    {"VoiceTipWnd", 0x80880000u, 0x80u}, {"TipWnd", 0x80880000u, 0x80u},
    {"TransWnd", 0x80880000u, 0x80u},    {"IconWnd", 0x80880000u, 0x80u},
    {"GetwordWnd", 0x80880000u, 0x80u},  {"SubtitleWnd", 0x80880000u, 0x80u},
    {"LpWnd", 0x80880000u, 0x80u},       {"MagWnd", 0x82880000u, 0x800A8u},
};
static_assert(std::size(kFloatingSpecs) == static_cast<std::size_t>(FloatingWnd::Count));

enum class Placement { Centred, ChildCentredModal, AtPointer };

struct DialogSpec {
    const char* name;
    uint32_t style;
    uint32_t exStyle;
    Placement placement;
};

constexpr DialogSpec kDialogSpecs[] = {
    {"SetWnd", 0x96C80000u, 0, Placement::Centred},
    {"FreebackWnd", 0x96C80000u, 0, Placement::Centred},
    {"HelpWnd", 0x96C80000u, 0, Placement::Centred},
    {"LoginWnd", 0x96C80000u, 0, Placement::Centred},
    {"VoiceWnd", 0x96C80000u, 0, Placement::ChildCentredModal},
    {"ModifyWnd", 0x96C80000u, 0, Placement::ChildCentredModal},
    {"ColorWnd", 0x90000000u, 0x88u, Placement::AtPointer},
    {"CommonWnd", 0x96C80000u, 0, Placement::ChildCentredModal},
};
static_assert(std::size(kDialogSpecs) == static_cast<std::size_t>(DialogWnd::Count));

constexpr std::size_t Index(FloatingWnd slot) {
    return static_cast<std::size_t>(slot);
}
constexpr std::size_t Index(DialogWnd kind) {
    return static_cast<std::size_t>(kind);
}

} // namespace

WindowFactories& CWndManager::RegisteredFactories() {
    static WindowFactories factories;
    return factories;
}

CWndManager::CWndManager(WindowFactories factories) : m_factories(std::move(factories)) {
    CreateFloatingWindows();
}

CWndManager::~CWndManager() {
    delete m_trayMenu.data();
    DestroyDialogs();
    DestroyFloatingWindows();
}

void CWndManager::CreateFloatingWindows() {
    for (std::size_t i = 0; i < m_floating.size(); ++i) {
        const auto& factory = m_factories.floating.entries[i];
        if (!factory)
            continue;
        WindowImplBase* window = factory();
        if (window == nullptr)
            continue;
        const WindowSpec& row = kFloatingSpecs[i];
        window->SetHideOnClose(true);
        window->Create(nullptr, QLatin1String(row.name), row.style, row.exStyle);
        if (window->GetHWND() == nullptr) {
            platform::OutputDebug(QStringLiteral("%1 could not be created\n").arg(row.name));
            delete window;
            continue;
        }
        m_floating[i].store(window);
    }
}

void CWndManager::DestroyFloatingWindows() {
    for (auto& slot : m_floating)
        delete slot.exchange(nullptr);
}

void CWndManager::DestroyDialogs() {
    for (WindowImplBase*& dialog : m_dialogs) {
        WindowImplBase* doomed = dialog;
        dialog = nullptr;
        if (doomed != nullptr) {
            disconnect(doomed, nullptr, this, nullptr);
            delete doomed;
        }
    }
}

template <class Interface, class Call> void CWndManager::Forward(FloatingWnd slot, Call call) {
    WindowImplBase* window = m_floating[Index(slot)].load();
    if (window == nullptr)
        return;
    auto run = [window, call] {
        if (auto* target = dynamic_cast<Interface*>(window))
            call(*target);
    };
    if (CWindowRegistry::Instance().ThreadOf(window) == QThread::currentThread())
        run();
    else
        PostTask(window, run); // dropped if the window is gone by then
}

void CWndManager::ShowVoiceTip(int state, const QString& text, bool hide, int delayMs) {
    Forward<IVoiceTipWindow>(FloatingWnd::VoiceTip, [=](IVoiceTipWindow& w) {
        w.ShowVoiceTip(state, text, hide, delayMs);
    });
}

void CWndManager::HideVoiceTip() {
    Forward<IVoiceTipWindow>(FloatingWnd::VoiceTip, [](IVoiceTipWindow& w) { w.HideVoiceTip(); });
}

void CWndManager::ShowNotice(int id) {
    Forward<INoticeWindow>(FloatingWnd::Tip, [id](INoticeWindow& w) { w.ShowNotice(id); });
}

void CWndManager::ShowTranslation(const QString& text, bool last) {
    Forward<ITransWindow>(FloatingWnd::Trans,
                          [=](ITransWindow& w) { w.ShowTranslation(text, last); });
}

void CWndManager::ShowIcon(int value, int x, int y, const QString& word) {
    Forward<IFloatingIconWindow>(FloatingWnd::Icon,
                                 [=](IFloatingIconWindow& w) { w.ShowIcon(value, x, y, word); });
}

void CWndManager::HideIconIfPointerOutside() {
    Forward<IFloatingIconWindow>(FloatingWnd::Icon,
                                 [](IFloatingIconWindow& w) { w.HideIconIfPointerOutside(); });
}

void CWndManager::ShowGetWord(int x, int y, const QString& word) {
    Forward<IGetWordWindow>(FloatingWnd::GetWord,
                            [=](IGetWordWindow& w) { w.ShowGetWord(x, y, word); });
}

void CWndManager::ShowSubtitle() {
    Forward<ISubtitleWindow>(FloatingWnd::Subtitle, [](ISubtitleWindow& w) { w.ShowSubtitle(); });
}

void CWndManager::AddSubtitleText(const QString& text) {
    Forward<ISubtitleWindow>(FloatingWnd::Subtitle,
                             [text](ISubtitleWindow& w) { w.AddSubtitleText(text); });
}

void CWndManager::StartSubtitleHideTimer() {
    Forward<ISubtitleWindow>(FloatingWnd::Subtitle,
                             [](ISubtitleWindow& w) { w.StartSubtitleHideTimer(); });
}

void CWndManager::MoveLaser(int x, int y) {
    Forward<ILaserWindow>(FloatingWnd::Laser, [x, y](ILaserWindow& w) { w.MoveDot(x, y); });
}

void CWndManager::HideLaser() {
    Forward<ILaserWindow>(FloatingWnd::Laser, [](ILaserWindow& w) { w.HideDot(); });
}

void CWndManager::UpdateMagnifier() {
    Forward<IMagnifierWindow>(FloatingWnd::Magnifier, [](IMagnifierWindow& w) { w.UpdateLens(); });
}

void CWndManager::HideMagnifier() {
    Forward<IMagnifierWindow>(FloatingWnd::Magnifier, [](IMagnifierWindow& w) { w.HideLens(); });
}

void CWndManager::ApplyMagnifierZoom() {
    Forward<IMagnifierWindow>(FloatingWnd::Magnifier, [](IMagnifierWindow& w) { w.ApplyZoom(); });
}

bool CWndManager::OpenDialog(DialogWnd kind, const DialogRequest& request) {
    if (WindowImplBase* existing = m_dialogs[Index(kind)]) {
        existing->BringToForeground();
        return true;
    }
    WindowImplBase* dialog = MakeDialog(kind, request);
    if (dialog == nullptr)
        return false;
    const DialogSpec& row = kDialogSpecs[Index(kind)];
    switch (row.placement) {
    case Placement::Centred:
        dialog->CenterWindow();
        dialog->BringToForeground();
        break;
    case Placement::AtPointer:
        dialog->MoveWindow(request.position.x() + 1, request.position.y() + 1);
        dialog->BringToForeground();
        break;
    case Placement::ChildCentredModal:
        dialog->CenterWindow();
        dialog->ShowModal(); // the dialog may be gone when this returns
        break;
    }
    return true;
}

WindowImplBase* CWndManager::MakeDialog(DialogWnd kind, const DialogRequest& request) {
    const auto& factory = m_factories.dialogs[kind];
    if (!factory)
        return nullptr; // this dialog class is not part of the program yet
    WindowImplBase* dialog = factory(request);
    if (dialog == nullptr)
        return nullptr;
    const DialogSpec& row = kDialogSpecs[Index(kind)];
    QWidget* owner = row.placement == Placement::ChildCentredModal ? request.owner : nullptr;
    // Shown only once placed, so it never flashes at the default position.
    dialog->Create(owner, QLatin1String(row.name), row.style & ~ui::WS_VISIBLE, row.exStyle);
    if (dialog->GetHWND() == nullptr) {
        delete dialog;
        return nullptr;
    }
    dialog->SetAutoDelete(true);
    connect(dialog, &WindowImplBase::windowFinal, this,
            [this](WindowImplBase* gone) { ForgetDialog(gone); });
    m_dialogs[Index(kind)] = dialog;
    return dialog;
}

void CWndManager::ForgetDialog(WindowImplBase* dialog) {
    for (WindowImplBase*& slot : m_dialogs) {
        if (slot == dialog)
            slot = nullptr;
    }
}

WindowImplBase* CWndManager::FloatingWindow(FloatingWnd slot) const {
    return m_floating[Index(slot)].load();
}

WindowImplBase* CWndManager::Dialog(DialogWnd kind) const {
    return m_dialogs[Index(kind)];
}

CTrayMenu* CWndManager::TrayMenu() const {
    return m_trayMenu.data();
}

void CWndManager::ShowTrayMenu() {
    ShowTrayMenu(QCursor::pos());
}

void CWndManager::ShowTrayMenu(const QPoint& cursor) {
    if (m_trayMenu)
        delete m_trayMenu.data();
    auto* menu = new CTrayMenu(*this);
    if (!menu->Open(cursor)) {
        delete menu;
        return;
    }
    m_trayMenu = menu;
}

void CWndManager::RecordUsage(int kind, const QString& info) const {
    if (m_usage)
        m_usage(kind, info);
}
