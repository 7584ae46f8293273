#include "SimWorldProcess.h"

#include "platform/sim/SimClient.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

std::string MakeSocketPath() {
    std::string path = "/tmp/velmora-sim-test-" + std::to_string(::getpid()) + ".sock";
    ::setenv("VELMORA_SIMULATOR", path.c_str(), 1);
    return path;
}

const std::string g_socket = MakeSocketPath();

bool Answers(const std::string& path) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    snprintf(addr.sun_path, sizeof(addr.sun_path), "%s", path.c_str());
    int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0;
    ::close(fd);
    return ok;
}

class WorldEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        m_pid = ::fork();
        if (m_pid == 0) {
            const std::string tool = SimWorldProcess::ToolPath();
            ::execl(tool.c_str(), tool.c_str(), "serve", "--socket", g_socket.c_str(),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        for (int i = 0; i < 200 && !Answers(g_socket); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_TRUE(Answers(g_socket)) << "velmora-sim serve did not start";
    }
    void TearDown() override {
        if (m_pid <= 0)
            return;
        if (SimWorldProcess::Run("stop") != 0)
            ::kill(m_pid, SIGTERM);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
    }

private:
    pid_t m_pid = -1;
};

const auto* g_environment = ::testing::AddGlobalTestEnvironment(new WorldEnvironment);

} // namespace

const std::string& SimWorldProcess::SocketPath() {
    return g_socket;
}

std::string SimWorldProcess::ToolPath() {
    return std::string(VELMORA_BINARY_DIR) + "/bin/velmora-sim";
}

int SimWorldProcess::Run(const std::string& args, std::string* output) {
    const std::string command = ToolPath() + " --socket " + g_socket + " " + args;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return -1;
    std::string text;
    char chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof(chunk), pipe)) > 0)
        text.append(chunk, n);
    const int status = ::pclose(pipe);
    if (output)
        *output = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int64_t SimWorldProcess::LastSeq() {
    const auto events = EventsAfter(0);
    return events.empty() ? 0 : events.back()["seq"].asInt64();
}

std::vector<Json::Value> SimWorldProcess::EventsAfter(int64_t seq) {
    platform::sim::SimClient client;
    if (!client.Connect(g_socket))
        return {};
    Json::Value request;
    request["op"] = "events";
    request["since"] = static_cast<Json::Int64>(seq);
    const Json::Value reply = client.Request(request, 5000);
    return std::vector<Json::Value>(reply["events"].begin(), reply["events"].end());
}

bool SimWorldProcess::WaitForEvents(
    int64_t seq, const std::function<bool(const std::vector<Json::Value>&)>& done,
    std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (done(EventsAfter(seq)))
            return true;
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}
