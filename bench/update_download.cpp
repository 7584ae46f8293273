// Download plus SHA-256 of a 256 MiB update package from a loopback server, through the real
// update check: from StartUpdateCheck to the question. Prints the rate and the growth of the
// peak resident memory.
#include "service/CSha256.h"
#include "service/CUpdateChecker.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <curl/curl.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr std::size_t kChunk = 1 << 20;
constexpr std::size_t kChunks = 256;
constexpr std::size_t kPackageBytes = kChunk * kChunks;

std::vector<char> MakeChunk() {
    std::vector<char> chunk(kChunk);
    unsigned state = 12345;
    for (char& c : chunk) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 16);
    }
    return chunk;
}

// Answers each connection by path: the version, the checksum, or the package streamed from one
// chunk repeated (the server holds 1 MiB, not the package).
class PackageServer {
public:
    PackageServer(const std::vector<char>& chunk, std::string digest)
        : m_chunk(chunk), m_digest(std::move(digest)) {
        m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof(address);
        ::bind(m_listen, reinterpret_cast<sockaddr*>(&address), length);
        ::listen(m_listen, 8);
        ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { Serve(); });
    }
    ~PackageServer() {
        ::shutdown(m_listen, SHUT_RDWR);
        ::close(m_listen);
        m_thread.join();
    }
    std::string Base() const { return "http://127.0.0.1:" + std::to_string(m_port) + "/"; }

private:
    void Serve() {
        for (;;) {
            const int client = ::accept(m_listen, nullptr, nullptr);
            if (client < 0)
                return;
            Answer(client);
            ::close(client);
        }
    }
    static bool SendAll(int fd, const char* data, std::size_t size) {
        while (size > 0) {
            const ssize_t sent = ::send(fd, data, size, MSG_NOSIGNAL);
            if (sent <= 0)
                return false;
            data += sent;
            size -= static_cast<std::size_t>(sent);
        }
        return true;
    }
    void Answer(int client) {
        std::string request;
        char buffer[4096];
        while (request.find("\r\n\r\n") == std::string::npos) {
            const ssize_t n = ::recv(client, buffer, sizeof(buffer), 0);
            if (n <= 0)
                return;
            request.append(buffer, static_cast<std::size_t>(n));
        }
        const std::string target = request.substr(4, request.find(' ', 4) - 4);
        std::string body;
        std::size_t length = 0;
        if (target == "/bench/update.txt")
            body = "9.9.9\n";
        else if (target == "/bench/bench.deb.sha256")
            body = m_digest + "  bench.deb\n";
        else if (target == "/bench/bench.deb")
            length = kPackageBytes;
        const bool found = !body.empty() || length > 0;
        length = body.empty() ? length : body.size();
        const std::string head = std::string("HTTP/1.1 ") + (found ? "200 OK" : "404 Not Found") +
                                 "\r\nContent-Length: " + std::to_string(length) +
                                 "\r\nConnection: close\r\n\r\n";
        if (!SendAll(client, head.data(), head.size()) || !found)
            return;
        if (!body.empty()) {
            SendAll(client, body.data(), body.size());
            return;
        }
        for (std::size_t i = 0; i < kChunks; ++i) {
            if (!SendAll(client, m_chunk.data(), m_chunk.size()))
                return;
        }
    }

    const std::vector<char>& m_chunk;
    std::string m_digest;
    int m_listen = -1;
    int m_port = 0;
    std::thread m_thread;
};

long PeakResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return -1;
}

} // namespace

int main() {
    curl_global_init(CURL_GLOBAL_ALL);
    const std::vector<char> chunk = MakeChunk();
    CSha256 digest;
    for (std::size_t i = 0; i < kChunks; ++i)
        digest.Update(chunk.data(), chunk.size());
    PackageServer server(chunk, digest.FinalHex());
    QTemporaryDir dir;

    std::mutex lock;
    std::condition_variable done;
    bool asked = false;
    std::string failure;
    UpdateLinks links;
    links.settings = [&] {
        UpdateSettings s;
        s.updateBase = server.Base();
        s.channelName = "bench";
        s.clientVersion = "1.0.0";
        s.uiLanguage = QStringLiteral("lan_en");
        s.resourceFolder = dir.filePath(QStringLiteral("skin/Orvanta/"));
        s.downloadFolder = dir.path() + QLatin1Char('/');
        return s;
    };
    links.log = [&](const QString& line) {
        std::lock_guard<std::mutex> guard(lock);
        failure = line.toStdString();
        done.notify_all();
    };
    links.ask = [&](const QString&, std::function<void(bool)> onAnswer) {
        {
            std::lock_guard<std::mutex> guard(lock);
            asked = true;
        }
        done.notify_all();
        onAnswer(false);
    };
    CUpdateChecker checker(std::move(links));

    const long peakBefore = PeakResidentKiB();
    const auto start = std::chrono::steady_clock::now();
    checker.StartUpdateCheck(false);
    {
        std::unique_lock<std::mutex> guard(lock);
        done.wait(guard, [&] { return asked || !failure.empty(); });
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const long peakAfter = PeakResidentKiB();
    if (!asked) {
        std::printf("update download failed: %s\n", failure.c_str());
        return 1;
    }
    const double mib = static_cast<double>(kPackageBytes) / (1024.0 * 1024.0);
    std::printf("256 MiB package, download + SHA-256 to the question: %.2f s, %.0f MiB/s\n",
                seconds, mib / seconds);
    std::printf("peak resident memory growth: %.1f MiB\n", (peakAfter - peakBefore) / 1024.0);
    while (checker.IsChecking())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    QFile::remove(dir.filePath(QStringLiteral("Velmora_.deb")));
    return 0;
}
