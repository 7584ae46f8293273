#pragma once

#include "app/CTrayMenu.h"
#include "app/WindowFactories.h"

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>

#include <array>
#include <atomic>
#include <functional>

class WindowImplBase;

// Owns every secondary window. The floating windows are made once, hidden, when the manager is
// made and live until it goes (a close from the desktop only hides them); the dialogs are made on
// request and forgotten when they are destroyed. Others never hold these windows: they call the
// manager, which forwards the call and does nothing for a window that is absent.
//
// Forwarding operations may be called from any thread; they run on the UI thread. Dialog and
// tray-menu operations belong to the UI thread.
class CWndManager : public QObject {
    Q_OBJECT
public:
    using UsageRecorder = std::function<void(int kind, const QString& info)>;

    // Factories registered before the manager is made (see WindowFactories).
    static WindowFactories& RegisteredFactories();

    explicit CWndManager(WindowFactories factories = RegisteredFactories());
    ~CWndManager() override;
    CWndManager(const CWndManager&) = delete;
    CWndManager& operator=(const CWndManager&) = delete;

    // Voice tip, notice, translation, floating icon, get-word.
    void ShowVoiceTip(int state, const QString& text, bool hide, int delayMs);
    void HideVoiceTip();
    void ShowNotice(int id);
    void ShowTranslation(const QString& text, bool last);
    void ShowIcon(int value, int x, int y, const QString& word);
    void HideIconIfPointerOutside();
    void ShowGetWord(int x, int y, const QString& word);
    // Subtitles.
    void ShowSubtitle();
    void AddSubtitleText(const QString& text);
    void StartSubtitleHideTimer();
    // Laser dot and magnifier.
    void MoveLaser(int x, int y);
    void HideLaser();
    void UpdateMagnifier();
    void HideMagnifier();
    void ApplyMagnifierZoom();

    // Brings the dialog forward when it exists, else makes and shows it (modal ones run their
    // loop before this returns). False when the dialog cannot be made.
    bool OpenDialog(DialogWnd kind, const DialogRequest& request = DialogRequest());
    // Called when a dialog is destroyed; the next request makes a new one.
    void ForgetDialog(WindowImplBase* dialog);

    WindowImplBase* FloatingWindow(FloatingWnd slot) const;
    WindowImplBase* Dialog(DialogWnd kind) const;

    // Opens the tray menu at the pointer (right click on the tray icon).
    void ShowTrayMenu(const QPoint& cursor);
    void ShowTrayMenu();
    CTrayMenu* TrayMenu() const;

    // Where usage events of the tray menu go (kind 27 for the help button).
    void SetUsageRecorder(UsageRecorder recorder) { m_usage = std::move(recorder); }
    void RecordUsage(int kind, const QString& info) const;

private:
    void CreateFloatingWindows();
    void DestroyFloatingWindows();
    void DestroyDialogs();
    WindowImplBase* MakeDialog(DialogWnd kind, const DialogRequest& request);
    template <class Interface, class Call> void Forward(FloatingWnd slot, Call call);

    WindowFactories m_factories;
    std::array<std::atomic<WindowImplBase*>, static_cast<std::size_t>(FloatingWnd::Count)>
        m_floating{};
    std::array<WindowImplBase*, static_cast<std::size_t>(DialogWnd::Count)> m_dialogs{};
    QPointer<CTrayMenu> m_trayMenu;
    UsageRecorder m_usage;
};
