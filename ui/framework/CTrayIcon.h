#pragma once

#include <QObject>
#include <QString>
#include <QSystemTrayIcon>

#include <memory>

class WindowImplBase;

// The notification-area icon of a window. Mouse events reach the owner as the tray message
// (1025) with the mouse message in lParam: 514 left button up, 515 left double click, 517 right
// button up. On a desktop without a tray the icon simply stays invisible.
class CTrayIcon : public QObject {
    Q_OBJECT
public:
    CTrayIcon() = default;
    ~CTrayIcon() override;
    CTrayIcon(const CTrayIcon&) = delete;
    CTrayIcon& operator=(const CTrayIcon&) = delete;

    void CreateTrayIcon(WindowImplBase* owner, int iconId, const QString& tip);
    void DeleteTrayIcon();
    void SetIcon(int iconId);
    void SetTooltipText(const QString& tip);

    int GetIconId() const { return m_iconId; }
    QString GetTooltipText() const { return m_tip; }
    bool IsCreated() const { return m_icon != nullptr; }
    // The Qt icon behind it (the simulator and tests activate it).
    QSystemTrayIcon* NativeIcon() const { return m_icon.get(); }
    // The icon created last of those that exist now (the one the simulator's tools click);
    // nullptr when there is none. UI thread only.
    static CTrayIcon* Newest();

private:
    void OnActivated(QSystemTrayIcon::ActivationReason reason);
    void ReportState() const;

    std::unique_ptr<QSystemTrayIcon> m_icon;
    WindowImplBase* m_owner = nullptr;
    int m_iconId = 0;
    QString m_tip;
};
