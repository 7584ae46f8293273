#pragma once

#include <chrono>
#include <string>
#include <utility>
#include <vector>

// One synchronous libcurl transfer per call, made on the caller's (worker) thread. Each
// operation returns (success, body); success means no transfer error and status exactly 200.
// No retries, no redirects, no user agent. HTTPS peers are verified against the system CA
// store plus the endpoints' extra CA file. Every operation can also hand back the HTTP status
// of the reply through `status` (0 when no reply came: no connection, time-out, refused TLS).
// Connection and total time limits in seconds. Declared outside the class so that it is
// complete where the operations use it as a default argument.
struct HttpLimits {
    long connectSeconds = 2;
    long totalSeconds = 3;
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
    };

    using Result = std::pair<bool, std::string>;

    static Result Get(const std::string& url, Limits limits = {}, long* status = nullptr);
    static Result PostForm(const std::string& url, const std::string& form, Limits limits = {},
                           long* status = nullptr);
    static Result PostJson(const std::string& url, const std::string& json, Limits limits = {},
                           long* status = nullptr);
    // No time limits: large uploads are never cut off (but StopAllTransfers does).
    static Result PostMultipart(const std::string& url, const std::vector<MultipartPart>& parts,
                                long* status = nullptr);

    // Ends HTTP for the rest of the process, ahead of curl_global_cleanup at shutdown:
    // transfers in flight on worker threads are cut short (they fail), later calls fail at
    // once without touching libcurl. Waits up to `wait` for the running transfers to leave
    // libcurl; true when none is left, so that the global clean-up is safe.
    static bool StopAllTransfers(std::chrono::milliseconds wait);
};
