#include "platform/sim/SimClient.h"

#include <json/reader.h>
#include <json/writer.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace platform::sim {

namespace {
std::string ToLine(const Json::Value& value) {
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "";
    builder["emitUTF8"] = true;
    return Json::writeString(builder, value) + "\n";
}

bool ParseLine(const std::string& line, Json::Value& out) {
    Json::CharReaderBuilder builder;
    std::string errors;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    return reader->parse(line.data(), line.data() + line.size(), &out, &errors);
}
} // namespace

SimClient::~SimClient() {
    Close();
}

bool SimClient::Connect(const std::string& socketPath) {
    Close();
    sockaddr_un addr{};
    if (socketPath.empty() || socketPath.size() >= sizeof(addr.sun_path))
        return false;
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, socketPath.c_str(), socketPath.size() + 1);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    m_buffer.clear();
    m_peerClosed = false;
    return true;
}

void SimClient::Close() {
    if (m_fd >= 0) {
        ::shutdown(m_fd, SHUT_RDWR);
        ::close(m_fd);
        m_fd = -1;
    }
}

bool SimClient::WriteLine(const std::string& line) {
    std::lock_guard<std::mutex> guard(m_writeLock);
    if (m_fd < 0)
        return false;
    size_t done = 0;
    while (done < line.size()) {
        ssize_t n = ::send(m_fd, line.data() + done, line.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool SimClient::ReadLine(std::string& line, int timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    for (;;) {
        size_t end = m_buffer.find('\n');
        if (end != std::string::npos) {
            line = m_buffer.substr(0, end);
            m_buffer.erase(0, end + 1);
            return true;
        }
        if (m_fd < 0)
            return false;
        int wait = -1;
        if (timeoutMs >= 0) {
            auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0)
                return false;
            wait = static_cast<int>(left.count());
        }
        pollfd pfd{m_fd, POLLIN, 0};
        int ready = ::poll(&pfd, 1, wait);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return false;
        char chunk[4096];
        ssize_t n = ::recv(m_fd, chunk, sizeof(chunk), 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            m_peerClosed = true;
            return false;
        }
        m_buffer.append(chunk, static_cast<size_t>(n));
    }
}

bool SimClient::Send(const Json::Value& request) {
    return WriteLine(ToLine(request));
}

Json::Value SimClient::Request(const Json::Value& request, int timeoutMs) {
    std::lock_guard<std::mutex> guard(m_requestLock);
    if (!WriteLine(ToLine(request)))
        return Json::Value();
    Json::Value reply;
    if (!ReadMessage(reply, timeoutMs))
        return Json::Value();
    return reply;
}

bool SimClient::ReadMessage(Json::Value& message, int timeoutMs) {
    std::string line;
    while (ReadLine(line, timeoutMs)) {
        if (ParseLine(line, message))
            return true;
    }
    return false;
}

std::string SimClient::SocketFromEnvironment() {
    const char* path = std::getenv("VELMORA_SIMULATOR");
    return path ? std::string(path) : std::string();
}

SimClient& SimClient::Control() {
    static SimClient* client = [] {
        auto* c = new SimClient; // lives until exit: events may be reported during shutdown
        c->Connect(SocketFromEnvironment());
        return c;
    }();
    return *client;
}

} // namespace platform::sim
