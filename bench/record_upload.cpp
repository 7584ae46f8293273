// Uploads a 200 MiB recording the way the records page does (the WAV streamed as a multipart
// file part) to a loopback sink, and prints how much the resident memory grew meanwhile.
#include "records/RecordRequests.h"
#include "service/CHttpClient.h"

#include <curl/curl.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

namespace {

constexpr std::uint64_t kMiB = 1048576;

long StatusKiB(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0)
            return std::strtol(line.c_str() + std::char_traits<char>::length(field), nullptr, 10);
    }
    return -1;
}

// Reads one request, throws its body away and answers with the service's success.
void ServeOnce(int listener, std::uint64_t* received) {
    const int client = ::accept(listener, nullptr, nullptr);
    if (client < 0)
        return;
    std::string head;
    char buffer[65536];
    std::uint64_t length = 0;
    std::uint64_t body = 0;
    while (true) {
        const ssize_t n = ::recv(client, buffer, sizeof(buffer), 0);
        if (n <= 0)
            break;
        if (length == 0) {
            head.append(buffer, static_cast<size_t>(n));
            const size_t end = head.find("\r\n\r\n");
            if (end == std::string::npos)
                continue;
            const size_t at = head.find("Content-Length: ");
            length =
                at == std::string::npos ? 0 : std::strtoull(head.c_str() + at + 16, nullptr, 10);
            body = head.size() - end - 4;
        } else {
            body += static_cast<std::uint64_t>(n);
        }
        if (length != 0 && body >= length)
            break;
    }
    *received = body;
    const std::string reply = "HTTP/1.1 200 OK\r\nContent-Length: 8\r\nConnection: close\r\n\r\n"
                              "{\"rc\":0}";
    (void)!::send(client, reply.data(), reply.size(), MSG_NOSIGNAL);
    ::close(client);
}

} // namespace

int main(int argc, char** argv) {
    const std::uint64_t mebibytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 200;
    curl_global_init(CURL_GLOBAL_ALL);
    char folder[] = "/tmp/velmora-upload-XXXXXX";
    if (!::mkdtemp(folder))
        return 1;
    RecordItem record;
    record.id = 1;
    record.filename = "REC.wav";
    record.wavPath = std::string(folder) + "/REC.wav";
    {
        std::ofstream wav(record.wavPath, std::ios::binary);
        const std::string block(kMiB, '\x11');
        for (std::uint64_t i = 0; i < mebibytes; ++i)
            wav.write(block.data(), static_cast<std::streamsize>(block.size()));
    }

    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof(address);
    if (::bind(listener, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::listen(listener, 1) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) != 0)
        return 1;
    std::uint64_t received = 0;
    std::thread sink(ServeOnce, listener, &received);

    // The peak is measured from here: clear_refs 5 resets the high-water mark.
    std::ofstream("/proc/self/clear_refs") << "5";
    const long before = StatusKiB("VmRSS:");
    const auto start = std::chrono::steady_clock::now();
    const std::string url =
        "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + recordrequests::kUploadPath;
    const auto result =
        CHttpClient::PostMultipart(url, recordrequests::UploadParts(record, 42, mebibytes * kMiB));
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const long peak = StatusKiB("VmHWM:");
    sink.join();
    ::close(listener);
    std::remove(record.wavPath.c_str());
    ::rmdir(folder);

    std::printf("upload of %llu MiB: %s, %.1f MiB of body received in %.2f s\n",
                static_cast<unsigned long long>(mebibytes), result.first ? "ok" : "FAILED",
                static_cast<double>(received) / kMiB, seconds);
    std::printf("resident memory: %.1f MiB before, peak %.1f MiB, growth %.1f MiB (target < 16)\n",
                before / 1024.0, peak / 1024.0, (peak - before) / 1024.0);
    curl_global_cleanup();
    return result.first ? 0 : 1;
}
