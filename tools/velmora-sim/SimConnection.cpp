#include "SimConnection.h"

#include <json/writer.h>

#include <cerrno>
#include <sys/socket.h>
#include <unistd.h>

std::string JsonLine(const Json::Value& value) {
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "";
    builder["emitUTF8"] = true;
    return Json::writeString(builder, value) + "\n";
}

SimConnection::~SimConnection() {
    ::close(m_fd);
}

bool SimConnection::ReceiveAvailable() {
    char chunk[4096];
    for (;;) {
        ssize_t n = ::recv(m_fd, chunk, sizeof(chunk), MSG_DONTWAIT);
        if (n > 0) {
            m_inbox.append(chunk, static_cast<size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return true;
        return false;
    }
}

bool SimConnection::NextLine(std::string& line) {
    const size_t end = m_inbox.find('\n');
    if (end == std::string::npos)
        return false;
    line = m_inbox.substr(0, end);
    m_inbox.erase(0, end + 1);
    return true;
}

void SimConnection::SendJson(const Json::Value& value) {
    m_outbox += JsonLine(value);
    Flush();
}

bool SimConnection::Flush() {
    while (!m_outbox.empty()) {
        ssize_t n = ::send(m_fd, m_outbox.data(), m_outbox.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n > 0) {
            m_outbox.erase(0, static_cast<size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
    return true;
}
