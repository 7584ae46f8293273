#include "platform/TerminationSignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {

namespace {
int g_signalPipe[2] = {-1, -1};

void WriteToPipe(int) {
    const char byte = 1;
    // Only async-signal-safe calls here; a full pipe simply drops the extra wake-up.
    [[maybe_unused]] ssize_t n = ::write(g_signalPipe[1], &byte, 1);
}
} // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_signalPipe) != 0)
        return;
    m_notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::OnSignalled);
    struct sigaction action {};
    action.sa_handler = WriteToPipe;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(sig, &action, nullptr);
}

TerminationSignals::~TerminationSignals() {
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        ::signal(sig, SIG_DFL);
    if (g_signalPipe[0] >= 0) {
        ::close(g_signalPipe[0]);
        ::close(g_signalPipe[1]);
        g_signalPipe[0] = g_signalPipe[1] = -1;
    }
}

void TerminationSignals::OnSignalled() {
    char buffer[16];
    while (::read(g_signalPipe[0], buffer, sizeof(buffer)) > 0) {
    }
    QCoreApplication::quit();
}

} // namespace platform
