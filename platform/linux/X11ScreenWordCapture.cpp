#include "platform/linux/X11ScreenWordCapture.h"

#include <QGuiApplication>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>
#include <xcb/xcb.h>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace platform::native {

namespace {
using Clock = std::chrono::steady_clock;
// A selection owner that does not answer a conversion within this time is given up on.
constexpr auto kConversionLimit = std::chrono::milliseconds(1000);

int MillisecondsUntil(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left < 0 ? 0 : static_cast<int>(left);
}
} // namespace

std::optional<X11ScreenWordCapture::OwnClient> X11ScreenWordCapture::QtOwnClient() {
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (app == nullptr)
        return std::nullopt;
    auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->connection() == nullptr)
        return std::nullopt;
    const xcb_setup_t* setup = xcb_get_setup(x11->connection());
    if (setup == nullptr)
        return std::nullopt;
    return OwnClient{setup->resource_id_base, setup->resource_id_mask};
}

std::unique_ptr<X11ScreenWordCapture> X11ScreenWordCapture::Open(const std::string& displayName,
                                                                 std::optional<OwnClient> ownClient,
                                                                 QString* problem) {
    std::unique_ptr<X11ScreenWordCapture> capture(
        new X11ScreenWordCapture(std::make_unique<XDisplayConnection>(displayName), ownClient));
    if (!capture->Prepare(problem))
        return nullptr;
    capture->m_thread = std::thread([raw = capture.get()] { raw->Watch(); });
    return capture;
}

X11ScreenWordCapture::X11ScreenWordCapture(std::unique_ptr<XDisplayConnection> connection,
                                           std::optional<OwnClient> ownClient)
    : m_connection(std::move(connection)), m_ownClient(ownClient) {}

X11ScreenWordCapture::~X11ScreenWordCapture() {
    m_stop = true;
    if (m_thread.joinable()) {
        Wake();
        m_thread.join();
    }
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
    XDisplayConnection::Guard guard(*m_connection);
    if (Display* display = guard.Display(); display != nullptr && m_window != 0)
        XDestroyWindow(display, m_window);
}

bool X11ScreenWordCapture::Prepare(QString* problem) {
    auto fail = [problem](const QString& why) {
        if (problem)
            *problem = why;
        return false;
    };
    XDisplayConnection::Guard guard(*m_connection);
    Display* display = guard.Display();
    if (display == nullptr)
        return fail(QStringLiteral("screen-word capture unavailable: no X display"));
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    // Selection events came with XFixes 1; the server speaks version 0 to a client that does
    // not ask for more.
    if (!XFixesQueryExtension(display, &m_xfixesEventBase, &errorBase) ||
        !XFixesQueryVersion(display, &major, &minor) || major < 1)
        return fail(QStringLiteral("screen-word capture unavailable: the X server lacks XFixes"));
    m_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_wakeFd < 0)
        return fail(QStringLiteral("screen-word capture unavailable: no event descriptor"));
    const Window root = DefaultRootWindow(display);
    // An unmapped window of this connection receives the converted selections.
    m_window = XCreateSimpleWindow(display, root, 0, 0, 1, 1, 0, 0, 0);
    m_property = XInternAtom(display, "VELMORA_HIGHLIGHT", False);
    m_utf8 = XInternAtom(display, "UTF8_STRING", False);
    XFixesSelectSelectionInput(display, root, XA_PRIMARY, XFixesSetSelectionOwnerNotifyMask);
    // Flushing only sends the request; another client's selection that the server takes first
    // would go unseen. The round trip returns once the server has set up the watch, so every
    // selection made after Open has returned is noticed.
    XSync(display, False);
    m_xFd = ConnectionNumber(display);
    return true;
}

void X11ScreenWordCapture::Wake() {
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(m_wakeFd, &one, sizeof one);
}

void X11ScreenWordCapture::SetDelay(int delayMs) {
    m_delayMs = delayMs < 0 ? 0 : delayMs;
}

void X11ScreenWordCapture::SetHighlightReadyCallback(HighlightReady callback) {
    std::lock_guard<std::mutex> guard(m_callbackLock);
    m_callback = std::move(callback);
}

void X11ScreenWordCapture::EnableHighlightCapture(bool enable) {
    m_enabled = enable;
    Wake();
}

void X11ScreenWordCapture::Watch() {
    // When a read is due; a plain flag beside the time point (an optional here trips GCC's
    // maybe-uninitialized warning in optimised builds).
    bool readDue = false;
    Clock::time_point readAt{};
    while (!m_stop) {
        pollfd fds[2] = {{m_xFd, POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
        const int timeout = readDue ? MillisecondsUntil(readAt) : -1;
        // Events already read into Xlib's queue do not wake poll: look at the queue first.
        bool queued = false;
        {
            XDisplayConnection::Guard guard(*m_connection);
            queued = XPending(guard.Display()) > 0;
        }
        if (!queued && ::poll(fds, 2, timeout) < 0 && errno != EINTR)
            return;
        if (fds[1].revents & POLLIN) {
            uint64_t count = 0;
            [[maybe_unused]] const ssize_t got = ::read(m_wakeFd, &count, sizeof count);
        }
        if (m_stop)
            return;
        bool changed = false;
        bool ownChange = false;
        TakeEvents(changed, ownChange);
        if (!m_enabled || ownChange) {
            readDue = false;
        } else if (changed) {
            readDue = true;
            readAt = Clock::now() + std::chrono::milliseconds(m_delayMs.load());
        }
        if (readDue && Clock::now() >= readAt) {
            readDue = false;
            if (std::optional<QString> text = ReadSelection(); text && m_enabled)
                Deliver(*text);
        }
    }
}

void X11ScreenWordCapture::TakeEvents(bool& changed, bool& ownChange) {
    XDisplayConnection::Guard guard(*m_connection);
    Display* display = guard.Display();
    while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type != m_xfixesEventBase + XFixesSelectionNotify)
            continue;
        const auto& notice = reinterpret_cast<const XFixesSelectionNotifyEvent&>(event);
        if (notice.selection != XA_PRIMARY)
            continue;
        const std::uint32_t owner = static_cast<std::uint32_t>(notice.owner);
        const bool own =
            owner != 0 && m_ownClient && (owner & ~m_ownClient->mask) == m_ownClient->base;
        // The latest owner decides: text the program itself selected cancels a pending read.
        changed = owner != 0 && !own;
        ownChange = own;
    }
}

std::optional<QString> X11ScreenWordCapture::ReadSelection() {
    if (std::optional<QString> text = ConvertTo(m_utf8))
        return text;
    return ConvertTo(XA_STRING);
}

std::optional<QString> X11ScreenWordCapture::ConvertTo(unsigned long target) {
    const auto deadline = Clock::now() + kConversionLimit;
    {
        XDisplayConnection::Guard guard(*m_connection);
        XConvertSelection(guard.Display(), XA_PRIMARY, target, m_property, m_window, CurrentTime);
        XFlush(guard.Display());
    }
    XEvent reply;
    for (;;) {
        {
            XDisplayConnection::Guard guard(*m_connection);
            if (XCheckTypedWindowEvent(guard.Display(), m_window, SelectionNotify, &reply))
                break;
        }
        const int left = MillisecondsUntil(deadline);
        if (left == 0 || m_stop)
            return std::nullopt;
        pollfd fd{m_xFd, POLLIN, 0};
        ::poll(&fd, 1, left);
        XDisplayConnection::Guard guard(*m_connection);
        XEventsQueued(guard.Display(), QueuedAfterReading);
    }
    if (reply.xselection.property == None)
        return std::nullopt;

    XDisplayConnection::Guard guard(*m_connection);
    Display* display = guard.Display();
    Atom type = None;
    int format = 0;
    unsigned long items = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    // One 32-bit unit more than the limit tells an over-long text from one that just fits.
    const long units = kMaxTextBytes / 4 + 1;
    const int status = XGetWindowProperty(display, m_window, m_property, 0, units, True,
                                          AnyPropertyType, &type, &format, &items, &after, &data);
    std::optional<QString> text;
    if (status == Success && data != nullptr && format == 8 && after == 0 &&
        items <= static_cast<unsigned long>(kMaxTextBytes)) {
        const char* bytes = reinterpret_cast<const char*>(data);
        if (type == m_utf8)
            text = QString::fromUtf8(bytes, static_cast<qsizetype>(items));
        else if (type == XA_STRING)
            text = QString::fromLatin1(bytes, static_cast<qsizetype>(items));
    }
    if (data != nullptr)
        XFree(data);
    // A larger text, or one sent in increments, is left where it is: delete what remains.
    XDeleteProperty(display, m_window, m_property);
    return text;
}

void X11ScreenWordCapture::Deliver(const QString& text) {
    std::lock_guard<std::mutex> guard(m_callbackLock);
    if (m_callback)
        m_callback(text);
}

} // namespace platform::native
