#include "app/CrashDump.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/ptrace.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <thread>
#include <vector>

namespace {

TEST(CrashDumpName, FollowsTheVersionDateTimeProcessThreadPattern) {
    char name[64];
    const DumpTime time{2024, 5, 1, 9, 5, 3};
    EXPECT_EQ(FormatDumpFileName(time, 1234, 5678, name, sizeof(name)), 34u);
    EXPECT_STREQ(name, "v1.0-20240501-090503-1234-5678.dmp");

    const DumpTime late{2031, 12, 31, 23, 59, 59};
    EXPECT_GT(FormatDumpFileName(late, 4194304, 4194303, name, sizeof(name)), 0u);
    EXPECT_STREQ(name, "v1.0-20311231-235959-4194304-4194303.dmp");

    char tight[34]; // one short of the name and its terminator
    EXPECT_EQ(FormatDumpFileName(time, 1234, 5678, tight, sizeof(tight)), 0u);
    EXPECT_STREQ(tight, "");
}

struct EpochCase {
    long long seconds;
    long offset;
    DumpTime expected;
};

TEST(CrashDumpName, LocalTimeOfAMomentCrossesDaysMonthsAndLeapYears) {
    const EpochCase cases[] = {
        {1714554303, 0, {2024, 5, 1, 9, 5, 3}},     {1714525503, 8 * 3600, {2024, 5, 1, 9, 5, 3}},
        {1709251199, 0, {2024, 2, 29, 23, 59, 59}}, {1704067200, -3600, {2023, 12, 31, 23, 0, 0}},
        {951868800, 0, {2000, 3, 1, 0, 0, 0}},      {4107542399, 0, {2100, 2, 28, 23, 59, 59}},
        {4107542400, 0, {2100, 3, 1, 0, 0, 0}},
    };
    for (const EpochCase& c : cases) {
        SCOPED_TRACE(c.seconds);
        const DumpTime t = DumpTimeFromEpoch(c.seconds, c.offset);
        EXPECT_EQ(t.year, c.expected.year);
        EXPECT_EQ(t.month, c.expected.month);
        EXPECT_EQ(t.day, c.expected.day);
        EXPECT_EQ(t.hour, c.expected.hour);
        EXPECT_EQ(t.minute, c.expected.minute);
        EXPECT_EQ(t.second, c.expected.second);
    }
}

volatile int g_neverTrue = 0;

int Recurse(int depth) {
    volatile char frame[2048];
    frame[0] = static_cast<char>(depth);
    if (g_neverTrue)
        return frame[0];
    return Recurse(depth + 1) + frame[0];
}

// A real fault at an unmapped address near zero (a literal null store would be caught by the
// undefined-behaviour sanitizer before it faults).
void WriteToUnmappedPage() {
    volatile std::uintptr_t address = 64;
    *reinterpret_cast<volatile int*>(address) = 1;
}

enum class Tracing { None, BeforeInstall, AfterInstall };

struct ChildOutcome {
    pid_t pid = 0;
    bool ran = false;
    int terminatingSignal = 0; // 0 when the child exited
    int exitCode = -1;
};

constexpr int kTraceRefused = 77;
constexpr int kHandlerChanged = 78;

bool SameSegvHandler(const struct sigaction& a, const struct sigaction& b) {
    return a.sa_handler == b.sa_handler && a.sa_sigaction == b.sa_sigaction;
}

// Runs `crash` in a child process whose current directory is `dir` and whose standard error
// goes to `dir`/stderr.txt; a traced child is resumed with every signal it stops on.
ChildOutcome RunCrashingChild(const QString& dir, Tracing tracing,
                              const std::function<void()>& crash) {
    const pid_t child = fork();
    if (child == 0) {
        if (chdir(dir.toLocal8Bit().constData()) != 0)
            _exit(70);
        const int err = open("stderr.txt", O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(err, STDERR_FILENO);
        if (tracing == Tracing::BeforeInstall && ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0)
            _exit(kTraceRefused);
        struct sigaction before {};
        struct sigaction after {};
        sigaction(SIGSEGV, nullptr, &before);
        InstallCrashHandler();
        sigaction(SIGSEGV, nullptr, &after);
        if (tracing == Tracing::BeforeInstall && !SameSegvHandler(before, after))
            _exit(kHandlerChanged);
        if (tracing == Tracing::AfterInstall && ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0)
            _exit(kTraceRefused);
        crash();
        _exit(0);
    }
    ChildOutcome outcome;
    outcome.pid = child;
    int status = 0;
    while (waitpid(child, &status, 0) == child) {
        if (WIFSTOPPED(status)) {
            ptrace(PTRACE_CONT, child, nullptr, reinterpret_cast<void*>(WSTOPSIG(status)));
            continue;
        }
        if (WIFEXITED(status))
            outcome.exitCode = WEXITSTATUS(status);
        outcome.ran = outcome.exitCode != kTraceRefused;
        if (WIFSIGNALED(status))
            outcome.terminatingSignal = WTERMSIG(status);
        break;
    }
    return outcome;
}

QStringList DumpFiles(const QString& dir) {
    return QDir(dir).entryList({QStringLiteral("*.dmp")}, QDir::Files);
}

struct CrashCase {
    const char* name;
    int signal;
    std::function<void()> crash;
};

TEST(CrashDump, FatalSignalLeavesANamedDumpAndEndsTheProcessByTheSignal) {
    const CrashCase cases[] = {
        {"write to an unmapped page", SIGSEGV, WriteToUnmappedPage},
        {"stack overflow", SIGSEGV, [] { Recurse(0); }},
        {"abort", SIGABRT, [] { std::abort(); }},
        {"bus error", SIGBUS, [] { raise(SIGBUS); }},
        {"arithmetic fault", SIGFPE, [] { raise(SIGFPE); }},
        {"illegal instruction", SIGILL, [] { raise(SIGILL); }},
    };
    for (const CrashCase& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        const std::time_t before = std::time(nullptr);
        const ChildOutcome outcome = RunCrashingChild(dir.path(), Tracing::None, c.crash);
        const std::time_t after = std::time(nullptr);
        EXPECT_EQ(outcome.terminatingSignal, c.signal);

        const QStringList dumps = DumpFiles(dir.path());
        ASSERT_EQ(dumps.size(), 1) << dumps.join(' ').toStdString();
        // A forked child has a single thread, so its thread id is its process id.
        const QRegularExpressionMatch name =
            QRegularExpression(QStringLiteral("^v1\\.0-(\\d{8}-\\d{6})-(\\d+)-(\\d+)\\.dmp$"))
                .match(dumps.front());
        ASSERT_TRUE(name.hasMatch()) << dumps.front().toStdString();
        EXPECT_EQ(name.captured(2), QString::number(outcome.pid));
        EXPECT_EQ(name.captured(3), QString::number(outcome.pid));
        std::tm stamp{};
        ASSERT_NE(strptime(name.captured(1).toLatin1().constData(), "%Y%m%d-%H%M%S", &stamp),
                  nullptr);
        stamp.tm_isdst = -1;
        const std::time_t written = std::mktime(&stamp);
        EXPECT_GE(written, before - 1);
        EXPECT_LE(written, after + 1);

        QFile dump(dir.filePath(dumps.front()));
        ASSERT_TRUE(dump.open(QIODevice::ReadOnly));
        const QByteArray content = dump.readAll();
        EXPECT_TRUE(
            content.startsWith("Velmora v1.0 crash dump\nsignal: " + QByteArray::number(c.signal)))
            << content.left(200).toStdString();
        EXPECT_TRUE(content.contains("\nprocess: " + name.captured(2).toLatin1() + "\n"));
        EXPECT_TRUE(QRegularExpression(QStringLiteral("stack [^\\n]*\\n0x[0-9a-f]{16}\\n"))
                        .match(QString::fromLatin1(content))
                        .hasMatch());
        EXPECT_TRUE(content.contains("\nmemory map:\n"));
        EXPECT_TRUE(content.endsWith("\nend of dump\n"));

        QFile err(dir.filePath(QStringLiteral("stderr.txt")));
        ASSERT_TRUE(err.open(QIODevice::ReadOnly));
        EXPECT_TRUE(err.readAll().contains(dumps.front().toLatin1() + "\n"));
    }
}

TEST(CrashDump, NoDumpWhileADebuggerIsAttached) {
    for (const Tracing tracing : {Tracing::BeforeInstall, Tracing::AfterInstall}) {
        SCOPED_TRACE(tracing == Tracing::BeforeInstall ? "before install" : "after install");
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        const ChildOutcome outcome = RunCrashingChild(dir.path(), tracing, WriteToUnmappedPage);
        if (!outcome.ran)
            GTEST_SKIP() << "this system does not allow tracing a child";
        EXPECT_TRUE(DumpFiles(dir.path()).isEmpty());
        EXPECT_NE(outcome.exitCode, kHandlerChanged) << "handlers installed under a debugger";
        EXPECT_NE(outcome.exitCode, 0) << "the fault was swallowed";
        // Before installation the fault meets whatever handler the process had (a sanitizer's,
        // in instrumented builds); after it, ours hands the signal back to the default action.
        if (tracing == Tracing::AfterInstall) {
            EXPECT_EQ(outcome.terminatingSignal, SIGSEGV);
        }
    }
}

// Each possible name of a dump written by process `pid` (crashing in its main thread) during
// [from, to], as a FIFO opened for reading. A dump then blocks its writer once the pipe is
// full, until the test reads on.
std::vector<int> OpenDumpFifos(const QString& dir, pid_t pid, std::time_t from, std::time_t to) {
    std::tm local{};
    const std::time_t now = std::time(nullptr);
    localtime_r(&now, &local);
    std::vector<int> fifos;
    for (std::time_t t = from; t <= to; ++t) {
        char name[128];
        FormatDumpFileName(DumpTimeFromEpoch(t, local.tm_gmtoff), pid, pid, name, sizeof(name));
        const QByteArray path = QFile::encodeName(dir + QLatin1Char('/') + QLatin1String(name));
        if (mkfifo(path.constData(), 0600) != 0)
            continue;
        const int fd = open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0) {
            fcntl(fd, F_SETPIPE_SZ, 4096);
            fifos.push_back(fd);
        }
    }
    return fifos;
}

// The FIFO a dump is being written to, or -1 when none gets data before the deadline.
int WaitForTheDumpWriter(const std::vector<int>& fifos) {
    std::vector<pollfd> polls;
    for (const int fd : fifos)
        polls.push_back({fd, POLLIN, 0});
    if (poll(polls.data(), polls.size(), 30000) <= 0)
        return -1;
    for (const pollfd& p : polls) {
        if ((p.revents & POLLIN) != 0)
            return p.fd;
    }
    return -1;
}

// True once thread `tid` of `pid` runs a SIGABRT handler (the signal is then blocked in it),
// false once the process has ended (or after a minute of neither).
bool WaitUntilInAbortHandlerOrEnded(pid_t pid, long tid, int& status) {
    const QString statusFile = QStringLiteral("/proc/%1/task/%2/status").arg(pid).arg(tid);
    const unsigned long long abortBit = 1ull << (SIGABRT - 1);
    const std::time_t giveUp = std::time(nullptr) + 60;
    while (std::time(nullptr) < giveUp) {
        if (waitpid(pid, &status, WNOHANG) == pid)
            return false;
        QFile file(statusFile);
        if (file.open(QIODevice::ReadOnly)) {
            for (const QByteArray& line : file.readAll().split('\n')) {
                if (line.startsWith("SigBlk:") &&
                    (line.mid(7).trimmed().toULongLong(nullptr, 16) & abortBit) != 0)
                    return true;
            }
        }
        usleep(1000);
    }
    return false;
}

QByteArray ReadToEnd(int fd) {
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    QByteArray content;
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof(buffer));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return content;
        content.append(buffer, static_cast<int>(n));
    }
}

// Fault caught: a fatal signal in a second thread while the first one was writing its dump
// ended the process at once, leaving the dump cut short.
TEST(CrashDump, ASecondFatalSignalWaitsUntilTheFirstDumpIsComplete) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    int go[2];
    int abortNow[2];
    int secondTid[2];
    ASSERT_EQ(pipe(go), 0);
    ASSERT_EQ(pipe(abortNow), 0);
    ASSERT_EQ(pipe(secondTid), 0);
    const std::time_t started = std::time(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        if (chdir(dir.path().toLocal8Bit().constData()) != 0)
            _exit(70);
        const int err = open("stderr.txt", O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(err, STDERR_FILENO);
        InstallCrashHandler();
        std::thread second([&] {
            const long tid = static_cast<long>(syscall(SYS_gettid));
            if (write(secondTid[1], &tid, sizeof(tid)) != sizeof(tid))
                _exit(71);
            char byte = 0;
            if (read(abortNow[0], &byte, 1) == 1)
                pthread_kill(pthread_self(), SIGABRT);
            _exit(72);
        });
        char byte = 0;
        if (read(go[0], &byte, 1) != 1)
            _exit(73);
        WriteToUnmappedPage();
        _exit(74);
    }
    struct Reaper {
        pid_t pid;
        bool reaped = false;
        ~Reaper() {
            if (!reaped) {
                kill(pid, SIGKILL);
                waitpid(pid, nullptr, 0);
            }
        }
    } reaper{child};
    long tid = 0;
    ASSERT_EQ(read(secondTid[0], &tid, sizeof(tid)), static_cast<ssize_t>(sizeof(tid)));
    const std::vector<int> fifos = OpenDumpFifos(dir.path(), child, started - 1, started + 60);
    ASSERT_FALSE(fifos.empty());
    ASSERT_EQ(write(go[1], "g", 1), 1);

    const int dump = WaitForTheDumpWriter(fifos);
    ASSERT_GE(dump, 0) << "no dump was started";
    // The writer now waits for the full pipe to drain; meanwhile the second thread faults.
    ASSERT_EQ(write(abortNow[1], "a", 1), 1);
    int status = 0;
    const bool waiting = WaitUntilInAbortHandlerOrEnded(child, tid, status);
    const QByteArray content = ReadToEnd(dump);
    if (waiting) {
        ASSERT_EQ(waitpid(child, &status, 0), child);
    }
    reaper.reaped = true;
    for (const int fd : fifos)
        close(fd);
    for (int fd : {go[0], go[1], abortNow[0], abortNow[1], secondTid[0], secondTid[1]})
        close(fd);

    EXPECT_TRUE(waiting) << "the second fault ended the process during the dump";
    EXPECT_GT(content.size(), 4096) << "the dump fitted the pipe: the writer never waited";
    EXPECT_TRUE(content.startsWith("Velmora v1.0 crash dump\nsignal: 11"));
    EXPECT_TRUE(content.endsWith("\nend of dump\n")) << content.right(200).toStdString();
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGSEGV) << "the process ends by the first signal";
}

} // namespace
