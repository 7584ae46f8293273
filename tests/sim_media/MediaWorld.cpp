#include "MediaWorld.h"

#include "platform/sim/SimClient.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

std::string PrivateFolder() {
    static const std::string folder = [] {
        std::string pattern = "/tmp/velmora-sim-media-XXXXXX";
        const char* made = ::mkdtemp(pattern.data());
        return std::string(made ? made : "/tmp");
    }();
    return folder;
}

std::string MakeSocketPath() {
    const std::string path = PrivateFolder() + "/world.sock";
    ::setenv("VELMORA_SIMULATOR", path.c_str(), 1);
    return path;
}

const std::string g_socket = MakeSocketPath();

std::string ToolPath() {
    return std::string(VELMORA_BINARY_DIR) + "/bin/velmora-sim";
}

bool WorldAnswers() {
    platform::sim::SimClient probe;
    return probe.Connect(g_socket);
}

class WorldEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        m_pid = ::fork();
        if (m_pid == 0) {
            const std::string tool = ToolPath();
            ::execl(tool.c_str(), tool.c_str(), "serve", "--socket", g_socket.c_str(),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        for (int i = 0; i < 500 && !WorldAnswers(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_TRUE(WorldAnswers()) << "velmora-sim serve did not start";
    }
    void TearDown() override {
        if (m_pid <= 0)
            return;
        if (MediaWorld::Run("stop") != 0)
            ::kill(m_pid, SIGTERM);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        std::error_code ignored;
        std::filesystem::remove_all(PrivateFolder(), ignored);
    }

private:
    pid_t m_pid = -1;
};

const auto* g_environment = ::testing::AddGlobalTestEnvironment(new WorldEnvironment);

std::vector<Json::Value> AllEvents() {
    platform::sim::SimClient client;
    if (!client.Connect(g_socket))
        return {};
    Json::Value request;
    request["op"] = "events";
    request["since"] = 0;
    const Json::Value reply = client.Request(request, 5000);
    return std::vector<Json::Value>(reply["events"].begin(), reply["events"].end());
}

} // namespace

int MediaWorld::Run(const std::string& args) {
    const std::string command = ToolPath() + " --socket " + g_socket + " " + args + " 2>/dev/null";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int64_t MediaWorld::LastSeq() {
    const auto events = AllEvents();
    return events.empty() ? 0 : events.back()["seq"].asInt64();
}

std::vector<Json::Value> MediaWorld::EventsAfter(int64_t seq, const std::string& kind) {
    std::vector<Json::Value> found;
    for (const Json::Value& event : AllEvents()) {
        if (event["seq"].asInt64() > seq && (kind.empty() || event["kind"].asString() == kind))
            found.push_back(event);
    }
    return found;
}

std::string MediaWorld::WriteFile(const std::string& name, const std::string& bytes) {
    const std::string path = PrivateFolder() + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}
