#include "HoldingXProxy.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

namespace {

constexpr std::size_t kCreateWindow = 1;
constexpr std::size_t kFirstExtensionOpcode = 128;

std::size_t Padded(std::size_t n) {
    return (n + 3) & ~std::size_t(3);
}

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

sockaddr_un UnixAddress(const std::string& path, bool abstract, socklen_t& length) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::size_t offset = abstract ? 1 : 0;
    std::memcpy(address.sun_path + offset, path.data(), path.size());
    length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset + path.size() +
                                    (abstract ? 0 : 1));
    return address;
}

} // namespace

HoldingXProxy::HoldingXProxy(const std::string& serverDisplay) {
    const std::size_t colon = serverDisplay.rfind(':');
    if (colon == std::string::npos)
        return;
    const std::string number =
        serverDisplay.substr(colon + 1, serverDisplay.find('.', colon) - colon - 1);
    m_serverPath = "/tmp/.X11-unix/X" + number;
    if (::pipe(m_wake) != 0)
        return;
    for (int candidate = 600; candidate < 700; ++candidate) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        socklen_t length = 0;
        const sockaddr_un address =
            UnixAddress("/tmp/.X11-unix/X" + std::to_string(candidate), true, length);
        if (fd >= 0 && ::bind(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0 &&
            ::listen(fd, 1) == 0) {
            m_listen = fd;
            m_number = candidate;
            break;
        }
        if (fd >= 0)
            ::close(fd);
    }
    if (m_listen >= 0)
        m_thread = std::thread([this] { Run(); });
}

HoldingXProxy::~HoldingXProxy() {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_stop = true;
    }
    if (m_wake[1] >= 0) {
        const char byte = 0;
        [[maybe_unused]] const ssize_t n = ::write(m_wake[1], &byte, 1);
    }
    if (m_thread.joinable())
        m_thread.join();
    for (int fd : {m_listen, m_wake[0], m_wake[1]}) {
        if (fd >= 0)
            ::close(fd);
    }
}

bool HoldingXProxy::WaitHolding(std::chrono::milliseconds limit) {
    std::unique_lock<std::mutex> lock(m_lock);
    return m_changed.wait_for(lock, limit, [this] { return m_holding; });
}

void HoldingXProxy::Release() {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_released = true;
    }
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(m_wake[1], &byte, 1);
}

void HoldingXProxy::Run() {
    pollfd waiting[2] = {{m_listen, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
    if (::poll(waiting, 2, -1) <= 0 || !(waiting[0].revents & POLLIN))
        return;
    const int client = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0)
        return;
    const int server = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    socklen_t length = 0;
    const sockaddr_un address = UnixAddress(m_serverPath, false, length);
    if (server >= 0 && ::connect(server, reinterpret_cast<const sockaddr*>(&address), length) == 0)
        Serve(client, server);
    if (server >= 0)
        ::close(server);
    ::close(client);
}

bool HoldingXProxy::Serve(int client, int server) {
    char buffer[65536];
    for (;;) {
        pollfd fds[3] = {{client, POLLIN, 0}, {server, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        if (::poll(fds, 3, -1) < 0)
            return false;
        if (fds[2].revents & POLLIN) {
            char byte = 0;
            [[maybe_unused]] const ssize_t n = ::read(m_wake[0], &byte, 1);
            std::lock_guard<std::mutex> guard(m_lock);
            if (m_stop)
                return true;
        }
        if (fds[0].revents & (POLLIN | POLLHUP)) {
            const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
            if (n <= 0)
                return true;
            m_fromClient.append(buffer, static_cast<std::size_t>(n));
        }
        if (fds[1].revents & (POLLIN | POLLHUP)) {
            const ssize_t n = ::recv(server, buffer, sizeof buffer, 0);
            if (n <= 0 || !WriteAll(client, buffer, static_cast<std::size_t>(n)))
                return true;
        }
        if (!ForwardClientBytes(server))
            return false;
    }
}

bool HoldingXProxy::ForwardClientBytes(int server) {
    const auto byte = [this](std::size_t i) {
        return static_cast<std::size_t>(static_cast<unsigned char>(m_fromClient[i]));
    };
    const auto card16 = [&](std::size_t i) {
        return m_bigEndian ? (byte(i) << 8) | byte(i + 1) : byte(i) | (byte(i + 1) << 8);
    };
    const auto card32 = [&](std::size_t i) {
        return m_bigEndian ? (card16(i) << 16) | card16(i + 2) : card16(i) | (card16(i + 2) << 16);
    };
    std::unique_lock<std::mutex> lock(m_lock);
    std::size_t complete = 0;
    if (m_released) {
        complete = m_fromClient.size();
    } else {
        // The set-up message, then requests: opcode, data, length in 4-byte units (0: the
        // BIG-REQUESTS length follows).
        for (;;) {
            const std::size_t left = m_fromClient.size() - complete;
            std::size_t size = 0;
            if (!m_setupSeen) {
                if (left < 12)
                    break;
                m_bigEndian = m_fromClient[complete] == 'B';
                size = 12 + Padded(card16(complete + 6)) + Padded(card16(complete + 8));
            } else {
                if (left < 4)
                    break;
                size = card16(complete + 2) * 4;
                if (size == 0) {
                    if (left < 8)
                        break;
                    size = card32(complete + 4) * 4;
                }
                const std::size_t opcode = byte(complete);
                if (m_windowCreated && opcode >= kFirstExtensionOpcode) {
                    m_holding = true;
                    m_changed.notify_all();
                    break;
                }
                m_windowCreated = m_windowCreated || opcode == kCreateWindow;
            }
            if (left < size)
                break;
            complete += size;
            m_setupSeen = true;
        }
    }
    lock.unlock();
    if (complete == 0)
        return true;
    const bool sent = WriteAll(server, m_fromClient.data(), complete);
    m_fromClient.erase(0, complete);
    return sent;
}
