#include "PulseTestServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace pulsetest {

namespace {

bool HavePulseBinary() {
    return std::system("command -v pulseaudio >/dev/null 2>&1") == 0;
}

bool ServerAnswers() {
    return std::system("pactl info >/dev/null 2>&1") == 0;
}

// Starts a daemon like the test runner does, when the environment has none.
class PrivateServer : public ::testing::Environment {
public:
    void SetUp() override {
        if (!HavePulseBinary() || ServerAnswers())
            return;
        char pattern[] = "/tmp/velmora-pulse.XXXXXX";
        if (!mkdtemp(pattern))
            return;
        m_dir = pattern;
        const std::string runtime = m_dir + "/runtime";
        mkdir(runtime.c_str(), 0700);
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        setenv("PULSE_RUNTIME_PATH", (runtime + "/pulse").c_str(), 1);
        m_pid = fork();
        if (m_pid == 0) {
            const int devnull = open("/dev/null", O_WRONLY);
            dup2(devnull, 1);
            dup2(devnull, 2);
            execlp("pulseaudio", "pulseaudio", "--daemonize=no", "--exit-idle-time=-1",
                   "--disallow-exit", "-n", "--load=module-native-protocol-unix",
                   "--load=module-null-sink", static_cast<char*>(nullptr));
            _exit(127);
        }
        for (int i = 0; i < 50 && !ServerAnswers(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    void TearDown() override {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
        if (!m_dir.empty())
            std::system(("rm -rf '" + m_dir + "'").c_str());
    }

private:
    pid_t m_pid = -1;
    std::string m_dir;
};

[[maybe_unused]] const auto* const kServer = ::testing::AddGlobalTestEnvironment(new PrivateServer);

} // namespace

bool Available(std::string* why) {
    if (!HavePulseBinary()) {
        *why = "no pulseaudio binary on this machine";
        return false;
    }
    return true;
}

std::string Pactl(const std::string& args, bool* ok) {
    std::string output;
    FILE* pipe = popen(("pactl " + args + " 2>/dev/null").c_str(), "r");
    if (!pipe) {
        if (ok)
            *ok = false;
        return output;
    }
    char chunk[512];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0)
        output.append(chunk, n);
    const int status = pclose(pipe);
    if (ok)
        *ok = status == 0;
    while (!output.empty() && (output.back() == '\n' || output.back() == ' '))
        output.pop_back();
    return output;
}

std::string DefaultSource() {
    return Pactl("get-default-source");
}

PipeSource::PipeSource(const std::string& name, const std::string& description) : m_name(name) {
    char pattern[] = "/tmp/velmora-pipe.XXXXXX";
    if (!mkdtemp(pattern))
        return;
    m_dir = pattern;
    m_fifo = m_dir + "/fifo";
    bool ok = false;
    const std::string index = Pactl(
        "load-module module-pipe-source file=" + m_fifo + " source_name=" + name +
            " format=s16le rate=16000 channels=1 \"source_properties='device.description=\\\"" +
            description + "\\\"'\"",
        &ok);
    if (ok && !index.empty())
        m_module = std::atoi(index.c_str());
}

PipeSource::~PipeSource() {
    if (m_writer >= 0)
        close(m_writer);
    if (m_module >= 0)
        Pactl("unload-module " + std::to_string(m_module));
    if (!m_dir.empty())
        std::system(("rm -rf '" + m_dir + "'").c_str());
}

void PipeSource::MakeDefault() const {
    Pactl("set-default-source " + m_name);
}

bool PipeSource::Write(const std::vector<char>& bytes) {
    if (m_writer < 0)
        m_writer = open(m_fifo.c_str(), O_WRONLY);
    if (m_writer < 0)
        return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(m_writer, bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool PipeSource::WaitUntilTaken(std::chrono::milliseconds limit) const {
    if (m_writer < 0)
        return false;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        int unread = 0;
        if (ioctl(m_writer, FIONREAD, &unread) != 0)
            return false;
        if (unread == 0)
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

std::vector<char> Pattern(std::size_t length, unsigned seed) {
    std::vector<char> bytes(length);
    unsigned state = seed * 2654435761u + 12345u;
    for (std::size_t i = 0; i < length; ++i) {
        state = state * 1103515245u + 12345u;
        bytes[i] = static_cast<char>(1 + (state >> 16) % 255);
    }
    return bytes;
}

} // namespace pulsetest
