#pragma once

// A small HTTP/1.1 server on 127.0.0.1 with an ephemeral port, plain or TLS, that records every
// request it receives and answers each with one configured reply (or never answers). One
// request per connection; the connection is closed after the reply. Connections are served one
// after another unless more serving threads are asked for (a load test's fake service).

#include <openssl/err.h>
#include <openssl/ssl.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstring>
#include <functional>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace testsupport {

struct HttpRequest {
    std::string method;
    std::string target;
    std::vector<std::pair<std::string, std::string>> headers; // in arrival order
    std::string body;

    static bool SameName(const std::string& a, const std::string& b) {
        return a.size() == b.size() &&
               std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
                   return std::tolower(static_cast<unsigned char>(x)) ==
                          std::tolower(static_cast<unsigned char>(y));
               });
    }
    bool HasHeader(const std::string& name) const {
        return std::any_of(headers.begin(), headers.end(),
                           [&](const auto& h) { return SameName(h.first, name); });
    }
    std::string Header(const std::string& name) const {
        for (const auto& h : headers) {
            if (SameName(h.first, name))
                return h.second;
        }
        return std::string();
    }
};

// What the server answers to every request.
struct HttpReply {
    explicit HttpReply(int status = 200, std::string body = std::string(),
                       std::string extraHeaders = std::string())
        : status(status), body(std::move(body)), extraHeaders(std::move(extraHeaders)) {}
    // Accepts and reads the request, then holds the connection without a word.
    static HttpReply Never() {
        HttpReply reply;
        reply.neverAnswer = true;
        return reply;
    }

    // Announces the whole body but sends only its first `bytes`, then hangs up.
    static HttpReply CutShort(std::string body, size_t bytes) {
        HttpReply reply(200, std::move(body));
        reply.sendBodyBytes = bytes;
        return reply;
    }

    int status;
    std::string body;
    std::string extraHeaders; // complete header lines, each ending in "\r\n"
    bool neverAnswer = false;
    size_t sendBodyBytes = std::string::npos;
};

class LocalHttpServer {
public:
    using Reply = HttpReply;

    explicit LocalHttpServer(Reply reply = Reply(), const std::string& certFile = std::string(),
                             const std::string& keyFile = std::string(), int servingThreads = 1)
        : m_reply(std::move(reply)) {
        // TLS writes to a client that hung up must fail, not end the test program.
        std::signal(SIGPIPE, SIG_IGN);
        if (!certFile.empty())
            m_tls = MakeTlsContext(certFile, keyFile);
        // Non-blocking, so that a serving thread that lost the race for a connection goes back
        // to waiting instead of blocking in accept where the stop cannot reach it.
        m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof(address);
        if (m_listen < 0 || ::bind(m_listen, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::listen(m_listen, SOMAXCONN) != 0 ||
            ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
            ::pipe2(m_wake, O_CLOEXEC) != 0)
            throw std::runtime_error("local test server cannot listen");
        m_port = ntohs(address.sin_port);
        for (int i = 0; i < std::max(1, servingThreads); ++i)
            m_threads.emplace_back([this] { Serve(); });
    }

    ~LocalHttpServer() {
        {
            std::lock_guard<std::mutex> lock(m_lock);
            m_stop = true;
        }
        m_changed.notify_all();
        const char byte = 0;
        if (::write(m_wake[1], &byte, 1) < 0) {
        }
        for (std::thread& thread : m_threads)
            thread.join();
        std::lock_guard<std::mutex> lock(m_lock);
        for (int fd : m_held)
            ::close(fd);
        ::close(m_listen);
        ::close(m_wake[0]);
        ::close(m_wake[1]);
        if (m_tls)
            SSL_CTX_free(m_tls);
    }

    LocalHttpServer(const LocalHttpServer&) = delete;
    LocalHttpServer& operator=(const LocalHttpServer&) = delete;

    int Port() const { return m_port; }
    std::string Origin(const std::string& host = "127.0.0.1") const {
        return std::string(m_tls ? "https://" : "http://") + host + ":" + std::to_string(m_port);
    }

    // Changes the answer to the requests that arrive from now on.
    void SetReply(Reply reply) {
        std::lock_guard<std::mutex> lock(m_lock);
        m_reply = std::move(reply);
    }

    // While held, requests are received and recorded but their replies wait (the connections
    // stay open) until the hold ends.
    void HoldReplies(bool hold) {
        {
            std::lock_guard<std::mutex> lock(m_lock);
            m_holdReplies = hold;
        }
        m_changed.notify_all();
    }

    // Answers requests for exactly this target (path and query) with `reply` from now on;
    // other targets keep the general reply.
    void SetRoute(const std::string& target, Reply reply) {
        std::lock_guard<std::mutex> lock(m_lock);
        m_routes[target] = std::move(reply);
    }

    // Targets of the requests received so far, in arrival order.
    std::vector<std::string> Targets() const {
        std::lock_guard<std::mutex> lock(m_lock);
        std::vector<std::string> targets;
        for (const HttpRequest& request : m_requests)
            targets.push_back(request.target);
        return targets;
    }

    bool WaitForRequests(size_t count, std::chrono::milliseconds limit) {
        std::unique_lock<std::mutex> lock(m_lock);
        return m_changed.wait_for(lock, limit, [&] { return m_requests.size() >= count; });
    }

    // Answers every request held so far by a Never() reply with `reply`, late (plain HTTP
    // only: a held TLS connection has lost its session and is only hung up). Returns how many.
    size_t AnswerHeld(const Reply& reply) {
        std::vector<int> held;
        {
            std::lock_guard<std::mutex> lock(m_lock);
            held.swap(m_held);
        }
        for (int fd : held) {
            if (!m_tls) {
                WriteAll(
                    [fd](const char* data, size_t size) {
                        return static_cast<long>(::send(fd, data, size, MSG_NOSIGNAL));
                    },
                    FormatReply(reply));
            }
            ::close(fd);
        }
        return held.size();
    }

    std::vector<HttpRequest> Requests() const {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_requests;
    }

private:
    using ReadFn = std::function<long(char*, size_t)>;
    using WriteFn = std::function<long(const char*, size_t)>;

    static SSL_CTX* MakeTlsContext(const std::string& certFile, const std::string& keyFile) {
        SSL_CTX* context = SSL_CTX_new(TLS_server_method());
        if (!context || SSL_CTX_use_certificate_chain_file(context, certFile.c_str()) != 1 ||
            SSL_CTX_use_PrivateKey_file(context, keyFile.c_str(), SSL_FILETYPE_PEM) != 1) {
            SSL_CTX_free(context);
            throw std::runtime_error("local test server cannot load its certificate");
        }
        return context;
    }

    static bool WaitReadable(int fd, int milliseconds) {
        pollfd p{fd, POLLIN, 0};
        return ::poll(&p, 1, milliseconds) > 0;
    }

    void Serve() {
        while (!m_stop) {
            pollfd fds[2] = {{m_listen, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
            if (::poll(fds, 2, -1) <= 0 || (fds[1].revents & POLLIN))
                continue;
            // Accepted sockets do not inherit O_NONBLOCK: reads and writes below block.
            const int client = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
            if (client >= 0)
                HandleConnection(client);
        }
    }

    void HandleConnection(int client) {
        SSL* ssl = nullptr;
        if (m_tls) {
            ssl = SSL_new(m_tls);
            SSL_set_fd(ssl, client);
            if (!WaitReadable(client, 5000) || SSL_accept(ssl) != 1) {
                ERR_clear_error();
                SSL_free(ssl);
                ::close(client);
                return;
            }
        }
        ReadFn read = [&](char* data, size_t size) -> long {
            if (!WaitReadable(client, 5000) && !(ssl && SSL_pending(ssl) > 0))
                return -1;
            return ssl ? SSL_read(ssl, data, static_cast<int>(size))
                       : static_cast<long>(::recv(client, data, size, 0));
        };
        WriteFn write = [&](const char* data, size_t size) -> long {
            return ssl ? SSL_write(ssl, data, static_cast<int>(size))
                       : static_cast<long>(::send(client, data, size, MSG_NOSIGNAL));
        };
        HttpRequest request;
        const bool complete = ReadRequest(read, request);
        Reply reply;
        {
            std::unique_lock<std::mutex> lock(m_lock);
            const auto route = m_routes.find(request.target);
            reply = route == m_routes.end() ? m_reply : route->second;
            if (complete)
                m_requests.push_back(request);
            m_changed.notify_all();
            m_changed.wait(lock, [this] { return !m_holdReplies || m_stop; });
        }
        if (complete && reply.neverAnswer) {
            if (ssl)
                SSL_free(ssl);
            std::lock_guard<std::mutex> lock(m_lock);
            m_held.push_back(client);
            return;
        }
        if (complete)
            WriteAll(write, FormatReply(reply));
        if (ssl) {
            SSL_shutdown(ssl);
            SSL_free(ssl);
        }
        ::close(client);
    }

    static std::string FormatReply(const Reply& reply) {
        return "HTTP/1.1 " + std::to_string(reply.status) +
               " Test\r\nContent-Length: " + std::to_string(reply.body.size()) +
               "\r\nConnection: close\r\n" + reply.extraHeaders + "\r\n" +
               reply.body.substr(0, reply.sendBodyBytes);
    }

    static void WriteAll(const WriteFn& write, const std::string& text) {
        size_t sent = 0;
        while (sent < text.size()) {
            const long n = write(text.data() + sent, text.size() - sent);
            if (n <= 0)
                return;
            sent += static_cast<size_t>(n);
        }
    }

    static bool ReadRequest(const ReadFn& read, HttpRequest& request) {
        std::string data;
        char chunk[16384];
        size_t headEnd;
        while ((headEnd = data.find("\r\n\r\n")) == std::string::npos) {
            const long n = read(chunk, sizeof(chunk));
            if (n <= 0)
                return false;
            data.append(chunk, static_cast<size_t>(n));
        }
        ParseHead(data.substr(0, headEnd), request);
        const std::string length = request.Header("Content-Length");
        const size_t bodyLength = length.empty() ? 0 : std::stoul(length);
        request.body = data.substr(headEnd + 4);
        while (request.body.size() < bodyLength) {
            const long n = read(chunk, sizeof(chunk));
            if (n <= 0)
                return false;
            request.body.append(chunk, static_cast<size_t>(n));
        }
        return true;
    }

    static void ParseHead(const std::string& head, HttpRequest& request) {
        size_t lineStart = 0;
        bool first = true;
        while (lineStart <= head.size()) {
            size_t lineEnd = head.find("\r\n", lineStart);
            if (lineEnd == std::string::npos)
                lineEnd = head.size();
            const std::string line = head.substr(lineStart, lineEnd - lineStart);
            if (first) {
                const size_t space = line.find(' ');
                request.method = line.substr(0, space);
                request.target = line.substr(space + 1, line.rfind(' ') - space - 1);
                first = false;
            } else if (const size_t colon = line.find(':'); colon != std::string::npos) {
                size_t valueStart = colon + 1;
                while (valueStart < line.size() && line[valueStart] == ' ')
                    ++valueStart;
                request.headers.emplace_back(line.substr(0, colon), line.substr(valueStart));
            }
            lineStart = lineEnd + 2;
        }
    }

    Reply m_reply;                         // guarded by m_lock
    std::map<std::string, Reply> m_routes; // guarded by m_lock
    bool m_holdReplies = false;            // guarded by m_lock
    SSL_CTX* m_tls = nullptr;
    int m_listen = -1;
    int m_wake[2] = {-1, -1};
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::vector<int> m_held; // held connections; guarded by m_lock
    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<HttpRequest> m_requests;
    std::vector<std::thread> m_threads;
};

} // namespace testsupport
