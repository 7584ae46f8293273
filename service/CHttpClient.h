#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

// One synchronous libcurl transfer per call, made on the caller's (worker) thread. Each
// operation returns (success, body); success means no transfer error and status exactly 200.
// No retries, no user agent; only Download follows redirects. HTTPS peers are verified
// against the system CA store plus the endpoints' extra CA file. Every operation but Download
// can also hand back the HTTP status of the reply through `status` (0 when no reply came: no
// connection, time-out, refused TLS).
// Connection and total time limits in seconds. Declared outside the class so that it is
// complete where the operations use it as a default argument.
struct HttpLimits {
    long connectSeconds = 2;
    long totalSeconds = 3;
};

// A multipart upload has no time limit, but a peer that stalls it ends it: below
// lowSpeedBytes per second for lowSpeedSeconds in a row (0: never).
struct HttpUploadLimits {
    long lowSpeedBytes = 1;
    long lowSpeedSeconds = 60;
};

// Limits of one file download. Unlike the service calls, downloads follow redirects.
struct DownloadLimits {
    long connectSeconds = 5;
    long totalSeconds = 30;        // 0: no total limit (large packages)
    std::int64_t maxBytes = 65536; // a longer body is refused
    // Aborted when slower than lowSpeedBytes per second for lowSpeedSeconds (0: no floor).
    long lowSpeedBytes = 0;
    long lowSpeedSeconds = 0;
    long maxRedirects = 3;
};

enum class DownloadStatus {
    Complete,       // status 200 and the whole body went to the sink
    NotOk,          // the final status was not 200; the sink saw nothing
    TooLarge,       // the body is longer than maxBytes
    SinkRefused,    // the sink refused a chunk (a write failed)
    TransferFailed, // connect, TLS, time-out, too many redirects, a body cut short
    Stopped,        // HTTP was ended for the process (shutdown)
};

struct DownloadResult {
    DownloadStatus status = DownloadStatus::TransferFailed;
    long httpStatus = 0;
    std::string error; // one line for the log; never holds the address
};

class CHttpClient {
public:
    using Limits = HttpLimits;

    struct MultipartPart {
        std::string name;
        std::string value; // text field value
        bool isFile = false;
        std::string fileName; // file field: name, bytes in memory, application/octet-stream
        std::string bytes;
        // A file field whose bytes stream from this file while the request is sent, so that a
        // large file never sits in memory; its size still goes into the Content-Length.
        std::string filePath;
    };

    using UploadLimits = HttpUploadLimits;

    using Result = std::pair<bool, std::string>;

    static Result Get(const std::string& url, Limits limits = {}, long* status = nullptr);
    static Result PostForm(const std::string& url, const std::string& form, Limits limits = {},
                           long* status = nullptr);
    static Result PostJson(const std::string& url, const std::string& json, Limits limits = {},
                           long* status = nullptr);
    // No time limits: large uploads are never cut off (but StopAllTransfers and a stall do).
    static Result PostMultipart(const std::string& url, const std::vector<MultipartPart>& parts,
                                long* status = nullptr, UploadLimits limits = {});

    // Receives the body of a download chunk by chunk; false aborts the transfer.
    using DownloadSink = std::function<bool(const char* data, std::size_t size)>;

    // A GET whose body streams to `sink` (only the body of a final 200 reply). Sends
    // "Cache-Control: no-cache" so that no cache between us and the server answers for it;
    // follows up to maxRedirects http/https redirects. Same TLS trust as the other operations.
    static DownloadResult Download(const std::string& url, const DownloadSink& sink,
                                   const DownloadLimits& limits);

    // Ends HTTP for the rest of the process, ahead of curl_global_cleanup at shutdown:
    // transfers in flight on worker threads are cut short (they fail), later calls fail at
    // once without touching libcurl. Waits up to `wait` for the running transfers to leave
    // libcurl; true when none is left, so that the global clean-up is safe.
    static bool StopAllTransfers(std::chrono::milliseconds wait);
};
