#include "platform/linux/ClipboardReadWatch.h"

#include "platform/linux/XDisplayConnection.h"

#include <QGuiApplication>

#include <X11/Xlib.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <iterator>

namespace platform {

bool ClipboardReadWatch::InstallOnUiThread() {
    if (m_installed)
        return true;
    QCoreApplication* app = QCoreApplication::instance();
    if (!qobject_cast<QGuiApplication*>(app) ||
        QGuiApplication::platformName() != QLatin1String("xcb"))
        return false;
    // Atoms are the same on every connection to a server: a short-lived one of our own avoids
    // reaching into Qt's.
    XDisplayConnection connection({});
    XDisplayConnection::Guard guard(connection);
    Display* display = guard.Display();
    if (!display)
        return false;
    char clipboard[] = "CLIPBOARD";
    char targets[] = "TARGETS";
    char timestamp[] = "TIMESTAMP";
    char multiple[] = "MULTIPLE";
    char saveTargets[] = "SAVE_TARGETS";
    char* names[] = {clipboard, targets, timestamp, multiple, saveTargets};
    Atom atoms[std::size(names)] = {};
    if (!XInternAtoms(display, names, static_cast<int>(std::size(names)), False, atoms))
        return false;
    m_clipboardAtom = static_cast<std::uint32_t>(atoms[0]);
    for (size_t index = 0; index < std::size(m_negotiationAtoms); ++index)
        m_negotiationAtoms[index] = static_cast<std::uint32_t>(atoms[index + 1]);
    app->installNativeEventFilter(this);
    m_installed = true;
    return true;
}

bool ClipboardReadWatch::IsInstalled() const {
    return m_installed;
}

std::uint64_t ClipboardReadWatch::Reads() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_reads;
}

bool ClipboardReadWatch::WaitForReadBeyond(std::uint64_t reads, std::chrono::milliseconds limit) {
    if (!m_installed)
        return true;
    std::unique_lock<std::mutex> guard(m_lock);
    return m_readSeen.wait_for(guard, limit, [&] { return m_reads > reads; });
}

#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
bool ClipboardReadWatch::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
#else
bool ClipboardReadWatch::nativeEventFilter(const QByteArray& eventType, void* message, long*) {
#endif
    if (eventType == "xcb_generic_event_t")
        NoteEvent(message);
    return false; // Qt still answers the request
}

bool ClipboardReadWatch::IsFormatNegotiation(std::uint32_t target) const {
    return std::find(std::begin(m_negotiationAtoms), std::end(m_negotiationAtoms), target) !=
           std::end(m_negotiationAtoms);
}

void ClipboardReadWatch::NoteEvent(const void* message) {
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    switch (event->response_type & 0x7F) {
    case XCB_SELECTION_REQUEST: {
        const auto* request = static_cast<const xcb_selection_request_event_t*>(message);
        if (request->selection == m_clipboardAtom && !IsFormatNegotiation(request->target))
            CountRead();
        break;
    }
    case XCB_SELECTION_CLEAR: {
        const auto* clear = static_cast<const xcb_selection_clear_event_t*>(message);
        if (clear->selection == m_clipboardAtom)
            CountRead();
        break;
    }
    default:
        break;
    }
}

void ClipboardReadWatch::CountRead() {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        ++m_reads;
    }
    m_readSeen.notify_all();
}

} // namespace platform
