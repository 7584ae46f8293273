#include "app/CTrayMenu.h"

#include "app/CWndManager.h"
#include "platform/DebugChannel.h"
#include "platform/ProgramHome.h"
#include "ui/framework/WindowConstants.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>

namespace {
constexpr uint32_t kMenuStyle = 0x90000000u; // pop-up, visible
constexpr uint32_t kMenuExStyle = 0x88u;     // tool window, top-most
constexpr int kRightEdgeMargin = 100;
constexpr int kLiftAbovePointer = 64;
constexpr int kUsageHelpClicked = 27;

QRect AvailableAreaAt(const QPoint& point) {
    QScreen* screen = QGuiApplication::screenAt(point);
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->availableGeometry() : QRect();
}

// Moves a span of `length` at `start` as little as needed to lie inside [first, first + size);
// a span longer than the area starts at its beginning.
int ClampSpan(int start, int length, int first, int size) {
    return qMax(first, qMin(start, first + size - length));
}
} // namespace

CTrayMenu::CTrayMenu(CWndManager& manager) : m_manager(manager) {
    SetAutoDelete(true);
}

QPoint CTrayMenu::MenuPosition(const QPoint& cursor, const QRect& available,
                               const QSize& menuSize) {
    const int y = cursor.y() - kLiftAbovePointer;
    if (!available.isValid()) // no screen to keep it on
        return QPoint(cursor.x(), y);
    const int x = qMin(cursor.x(), available.x() + available.width() - kRightEdgeMargin);
    return QPoint(ClampSpan(x, menuSize.width(), available.x(), available.width()),
                  ClampSpan(y, menuSize.height(), available.y(), available.height()));
}

bool CTrayMenu::Open(const QPoint& cursor) {
    // Placed before it is shown, so the visible bit of the style is applied last.
    if (Create(nullptr, QStringLiteral("MenuWnd"), kMenuStyle & ~ui::WS_VISIBLE, kMenuExStyle) ==
        nullptr)
        return false;
    const QPoint position = MenuPosition(cursor, AvailableAreaAt(cursor), GetHWND()->size());
    MoveWindow(position.x(), position.y());
    BringToForeground();
    return true;
}

Qt::WindowFlags CTrayMenu::AdjustWindowFlags(Qt::WindowFlags flags) const {
    // A Qt pop-up closes itself when the user clicks anywhere outside it.
    return (flags & ~Qt::WindowType_Mask) | Qt::Popup;
}

void CTrayMenu::OnClick(const TNotifyUI& msg) {
    const QString& name = msg.senderName;
    if (name == QLatin1String("set_btn")) {
        m_manager.OpenDialog(DialogWnd::Set);
    } else if (name == QLatin1String("freeback_btn")) {
        m_manager.OpenDialog(DialogWnd::Freeback);
    } else if (name == QLatin1String("help_btn")) {
        m_manager.OpenDialog(DialogWnd::Help);
        m_manager.RecordUsage(kUsageHelpClicked, QStringLiteral("用户点击软件帮助栏目"));
    } else if (name == QLatin1String("reset_btn")) {
        Restart();
    } else if (name == QLatin1String("exit_btn")) {
        QCoreApplication::quit();
    }
    Close();
}

void CTrayMenu::OnWindowDeactivated() {
    Close();
}

void CTrayMenu::Restart() const {
    const QString script = platform::ShippedFile(QStringLiteral("restart.sh"));
    if (!QFileInfo::exists(script)) {
        platform::OutputDebug(QStringLiteral("restart.sh not found: %1\n").arg(script));
        return;
    }
    // The script ends this process and starts the executable again; it is run by the shell as a
    // file with an argument list, never as command text.
    const QStringList arguments{script, platform::ExecutablePath(),
                                QString::number(QCoreApplication::applicationPid())};
    if (!QProcess::startDetached(QStringLiteral("/bin/sh"), arguments, platform::ProgramHome()))
        platform::OutputDebug(QStringLiteral("restart.sh could not be started\n"));
}
