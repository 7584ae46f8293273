#include "app/CrashDump.h"

#include <boost/stacktrace/safe_dump_to.hpp>

#include <fcntl.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <ctime>

// Everything reached from the handler is async-signal-safe: raw system calls, fixed buffers,
// no allocation, no stdio, no locale or time-zone look-ups.
namespace {

constexpr int kFatalSignals[] = {SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL};
constexpr std::size_t kMaxFrames = 128;
constexpr std::size_t kAltStackSize = 128 * 1024;

alignas(16) char g_altStack[kAltStackSize];
// Taken when the handler is installed: asking for the time zone inside a handler is unsafe.
std::atomic<long> g_utcOffsetSeconds{0};
std::atomic<bool> g_installed{false};
// The thread that writes the dump; 0 while none does.
std::atomic<long> g_dumpingThread{0};

// Small append-only text buffer on the stack of the handler.
class SignalSafeText {
public:
    SignalSafeText(char* buffer, std::size_t size) : m_buffer(buffer), m_size(size) {
        if (m_size > 0)
            m_buffer[0] = '\0';
    }
    void Append(const char* text) {
        while (*text)
            AppendChar(*text++);
    }
    void AppendChar(char c) {
        if (m_length + 1 >= m_size) {
            m_truncated = true;
            return;
        }
        m_buffer[m_length++] = c;
        m_buffer[m_length] = '\0';
    }
    // Decimal, left-padded with zeros to at least `width` digits.
    void AppendDecimal(unsigned long long value, int width = 1) {
        char digits[24];
        int count = 0;
        do {
            digits[count++] = static_cast<char>('0' + value % 10);
            value /= 10;
        } while (value != 0 && count < 24);
        for (int pad = count; pad < width; ++pad)
            AppendChar('0');
        while (count > 0)
            AppendChar(digits[--count]);
    }
    void AppendHex(unsigned long long value) {
        static const char kDigits[] = "0123456789abcdef";
        Append("0x");
        for (int shift = 60; shift >= 0; shift -= 4)
            AppendChar(kDigits[(value >> shift) & 0xF]);
    }
    bool Truncated() const { return m_truncated; }
    std::size_t Length() const { return m_length; }
    const char* Data() const { return m_buffer; }

private:
    char* m_buffer;
    std::size_t m_size;
    std::size_t m_length = 0;
    bool m_truncated = false;
};

void WriteAll(int fd, const char* data, std::size_t length) {
    while (length > 0) {
        const ssize_t written = ::write(fd, data, length);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return;
        data += written;
        length -= static_cast<std::size_t>(written);
    }
}

void WriteText(int fd, const SignalSafeText& text) {
    WriteAll(fd, text.Data(), text.Length());
}

// True when /proc/self/status names a tracer (a debugger, strace ...).
bool DebuggerAttached() {
    const int fd = ::open("/proc/self/status", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char status[4096];
    std::size_t length = 0;
    for (;;) {
        const ssize_t n = ::read(fd, status + length, sizeof(status) - 1 - length);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        length += static_cast<std::size_t>(n);
        if (length == sizeof(status) - 1)
            break;
    }
    ::close(fd);
    status[length] = '\0';
    const char* field = std::strstr(status, "TracerPid:");
    if (!field)
        return false;
    field += std::strlen("TracerPid:");
    while (*field == ' ' || *field == '\t')
        ++field;
    return *field >= '1' && *field <= '9';
}

const char* SignalName(int signal) {
    switch (signal) {
    case SIGSEGV:
        return "SIGSEGV";
    case SIGABRT:
        return "SIGABRT";
    case SIGBUS:
        return "SIGBUS";
    case SIGFPE:
        return "SIGFPE";
    case SIGILL:
        return "SIGILL";
    default:
        return "signal";
    }
}

long CurrentThreadId() {
    return static_cast<long>(::syscall(SYS_gettid));
}

DumpTime CurrentDumpTime() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return DumpTimeFromEpoch(now.tv_sec, g_utcOffsetSeconds.load());
}

void WriteHeader(int fd, int signal, const siginfo_t* info, const DumpTime& time, long pid,
                 long tid) {
    char buffer[512];
    SignalSafeText text(buffer, sizeof(buffer));
    text.Append("Velmora v1.0 crash dump\nsignal: ");
    text.AppendDecimal(static_cast<unsigned>(signal));
    text.AppendChar(' ');
    text.Append(SignalName(signal));
    text.Append("\nfault address: ");
    text.AppendHex(reinterpret_cast<unsigned long long>(info ? info->si_addr : nullptr));
    text.Append("\nprocess: ");
    text.AppendDecimal(static_cast<unsigned long long>(pid));
    text.Append("\nthread: ");
    text.AppendDecimal(static_cast<unsigned long long>(tid));
    text.Append("\nlocal time: ");
    text.AppendDecimal(static_cast<unsigned>(time.year), 4);
    text.AppendChar('-');
    text.AppendDecimal(static_cast<unsigned>(time.month), 2);
    text.AppendChar('-');
    text.AppendDecimal(static_cast<unsigned>(time.day), 2);
    text.AppendChar(' ');
    text.AppendDecimal(static_cast<unsigned>(time.hour), 2);
    text.AppendChar(':');
    text.AppendDecimal(static_cast<unsigned>(time.minute), 2);
    text.AppendChar(':');
    text.AppendDecimal(static_cast<unsigned>(time.second), 2);
    text.AppendChar('\n');
    WriteText(fd, text);
}

void WriteFrames(int fd) {
    void* frames[kMaxFrames];
    const std::size_t stored = boost::stacktrace::safe_dump_to(frames, sizeof(frames));
    WriteAll(fd, "\nstack (return addresses, innermost first):\n", 44);
    for (std::size_t i = 0; i < stored && frames[i]; ++i) {
        char buffer[32];
        SignalSafeText text(buffer, sizeof(buffer));
        text.AppendHex(reinterpret_cast<unsigned long long>(frames[i]));
        text.AppendChar('\n');
        WriteText(fd, text);
    }
}

void WriteMemoryMap(int fd) {
    WriteAll(fd, "\nmemory map:\n", 13);
    const int maps = ::open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
    if (maps < 0)
        return;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(maps, buffer, sizeof(buffer));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        WriteAll(fd, buffer, static_cast<std::size_t>(n));
    }
    ::close(maps);
}

void WriteDump(int signal, const siginfo_t* info) {
    const long pid = static_cast<long>(::getpid());
    const long tid = CurrentThreadId();
    const DumpTime time = CurrentDumpTime();
    char name[128];
    if (FormatDumpFileName(time, pid, tid, name, sizeof(name)) == 0)
        return;
    const int fd = ::open(name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    WriteHeader(fd, signal, info, time, pid, tid);
    WriteFrames(fd);
    WriteMemoryMap(fd);
    // A reader can tell a whole dump from one cut short.
    WriteAll(fd, "\nend of dump\n", 13);
    ::close(fd);
    WriteAll(STDERR_FILENO, name, std::strlen(name));
    WriteAll(STDERR_FILENO, "\n", 1);
}

// The signal stays blocked while the handler runs, so the re-raised one is delivered with the
// default action as soon as the handler returns, and the process ends by it.
void EndWithDefaultAction(int signal) {
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    ::sigaction(signal, &fallback, nullptr);
    ::raise(signal);
}

// Another thread writes the dump and ends the process when it is done.
[[noreturn]] void WaitForTheDumpingThread() {
    for (;;)
        ::pause();
}

void OnFatalSignal(int signal, siginfo_t* info, void*) {
    const int savedErrno = errno;
    const long self = CurrentThreadId();
    long writer = 0;
    if (g_dumpingThread.compare_exchange_strong(writer, self)) {
        // A debugger attached after start-up still wins.
        if (!DebuggerAttached())
            WriteDump(signal, info);
        EndWithDefaultAction(signal);
    } else if (writer != self) {
        // Ending the process here would cut the first thread's dump short.
        WaitForTheDumpingThread();
    } else {
        // The dump writer itself failed: its dump cannot be finished.
        EndWithDefaultAction(signal);
    }
    errno = savedErrno;
}

long LocalUtcOffsetSeconds() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (!localtime_r(&now, &local))
        return 0;
    return local.tm_gmtoff;
}

// The first stack walk may load the unwinder's library; do it now, not inside a handler.
void WarmUpStackWalk() {
    void* frames[4];
    boost::stacktrace::safe_dump_to(frames, sizeof(frames));
}

void UseAlternateSignalStack() {
    stack_t stack{};
    stack.ss_sp = g_altStack;
    stack.ss_size = sizeof(g_altStack);
    ::sigaltstack(&stack, nullptr);
}

} // namespace

DumpTime DumpTimeFromEpoch(long long secondsSinceEpoch, long utcOffsetSeconds) {
    const long long local = secondsSinceEpoch + utcOffsetSeconds;
    long long days = local / 86400;
    long long secondsOfDay = local % 86400;
    if (secondsOfDay < 0) {
        secondsOfDay += 86400;
        --days;
    }
    // Civil date from a day count (Howard Hinnant's days_from_civil, inverted).
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const long long dayOfEra = days - era * 146097;
    const long long yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const long long monthIndex = (5 * dayOfYear + 2) / 153;
    DumpTime time{};
    time.day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    time.month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    time.year = static_cast<int>(yearOfEra + era * 400 + (time.month <= 2 ? 1 : 0));
    time.hour = static_cast<int>(secondsOfDay / 3600);
    time.minute = static_cast<int>(secondsOfDay % 3600 / 60);
    time.second = static_cast<int>(secondsOfDay % 60);
    return time;
}

std::size_t FormatDumpFileName(const DumpTime& time, long processId, long threadId, char* out,
                               std::size_t outSize) {
    if (!out || outSize == 0)
        return 0;
    SignalSafeText text(out, outSize);
    text.Append("v1.0-");
    text.AppendDecimal(static_cast<unsigned>(time.year), 4);
    text.AppendDecimal(static_cast<unsigned>(time.month), 2);
    text.AppendDecimal(static_cast<unsigned>(time.day), 2);
    text.AppendChar('-');
    text.AppendDecimal(static_cast<unsigned>(time.hour), 2);
    text.AppendDecimal(static_cast<unsigned>(time.minute), 2);
    text.AppendDecimal(static_cast<unsigned>(time.second), 2);
    text.AppendChar('-');
    text.AppendDecimal(static_cast<unsigned long long>(processId));
    text.AppendChar('-');
    text.AppendDecimal(static_cast<unsigned long long>(threadId));
    text.Append(".dmp");
    if (text.Truncated()) {
        out[0] = '\0';
        return 0;
    }
    return text.Length();
}

void InstallCrashHandler() {
    if (g_installed.exchange(true))
        return;
    g_utcOffsetSeconds = LocalUtcOffsetSeconds();
    // Under a debugger the faults are left to it.
    if (DebuggerAttached())
        return;
    WarmUpStackWalk();
    UseAlternateSignalStack();
    struct sigaction action {};
    action.sa_sigaction = &OnFatalSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (const int signal : kFatalSignals)
        ::sigaction(signal, &action, nullptr);
}
