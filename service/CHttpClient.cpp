#include "service/CHttpClient.h"

#include "service/Endpoints.h"

#include <curl/curl.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <csignal>
#include <memory>
#include <mutex>
#include <new>

namespace {

struct EasyDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct HeaderListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
struct MimeDeleter {
    void operator()(curl_mime* mime) const { curl_mime_free(mime); }
};
using EasyHandle = std::unique_ptr<CURL, EasyDeleter>;
using HeaderList = std::unique_ptr<curl_slist, HeaderListDeleter>;
using MimeForm = std::unique_ptr<curl_mime, MimeDeleter>;

// Counts the transfers inside libcurl, so that shutdown can wait for them before the global
// clean-up, and closes for good when shutdown begins. Never destroyed: detached workers may
// still pass through it while the process exits.
struct TransferGate {
    std::mutex lock;
    std::condition_variable idle;
    int running = 0;
    std::atomic<bool> closed{false};
};

TransferGate& Gate() {
    static auto* gate = new TransferGate;
    return *gate;
}

// Held for the whole of one transfer, libcurl handles included; empty once the gate is closed.
class TransferTicket {
public:
    TransferTicket() {
        TransferGate& gate = Gate();
        std::lock_guard<std::mutex> guard(gate.lock);
        if (gate.closed.load())
            return;
        ++gate.running;
        m_admitted = true;
    }
    ~TransferTicket() {
        if (!m_admitted)
            return;
        TransferGate& gate = Gate();
        std::lock_guard<std::mutex> guard(gate.lock);
        if (--gate.running == 0)
            gate.idle.notify_all();
    }
    TransferTicket(const TransferTicket&) = delete;
    TransferTicket& operator=(const TransferTicket&) = delete;
    explicit operator bool() const { return m_admitted; }

private:
    bool m_admitted = false;
};

// libcurl asks this often (at least about once a second, also while it waits for a silent
// peer); a non-zero answer aborts the transfer.
int AbortOnceStopped(void*, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return Gate().closed.load() ? 1 : 0;
}

// Called from C: nothing may escape, and a refused chunk aborts the transfer.
size_t AppendToReply(char* data, size_t itemSize, size_t itemCount, void* target) {
    auto* reply = static_cast<std::string*>(target);
    if (!reply || !data)
        return 0;
    const size_t bytes = itemSize * itemCount;
    try {
        reply->append(data, bytes);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return bytes;
}

// curl has already loaded the system CA store into the context; the deployer's extra bundle
// is trusted beside it. An unreadable extra bundle leaves the system store alone in charge,
// so verification stays on either way.
CURLcode TrustExtraCaFile(CURL*, void* sslContext, void* caFile) {
    X509_STORE* store = SSL_CTX_get_cert_store(static_cast<SSL_CTX*>(sslContext));
    const auto* path = static_cast<const std::string*>(caFile);
    if (store && path && X509_STORE_load_locations(store, path->c_str(), nullptr) != 1)
        ERR_clear_error();
    return CURLE_OK;
}

bool AppendHeader(HeaderList& headers, const char* line) {
    curl_slist* extended = curl_slist_append(headers.get(), line);
    if (!extended)
        return false;
    headers.release();
    headers.reset(extended);
    return true;
}

// Settings every request shares. The extra CA file must outlive the transfer, so the caller
// passes the string it keeps.
bool ApplyCommonOptions(CURL* easy, const std::string& url, const std::string& extraCaFile,
                        std::string& reply) {
    bool ok = curl_easy_setopt(easy, CURLOPT_URL, url.c_str()) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK;
    ok = ok && curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &AppendToReply) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy, CURLOPT_WRITEDATA, &reply) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &AbortOnceStopped) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L) == CURLE_OK;
    if (ok && !extraCaFile.empty()) {
        ok = curl_easy_setopt(easy, CURLOPT_SSL_CTX_FUNCTION, &TrustExtraCaFile) == CURLE_OK &&
             curl_easy_setopt(easy, CURLOPT_SSL_CTX_DATA, &extraCaFile) == CURLE_OK;
    }
    return ok;
}

bool ApplyLimits(CURL* easy, const CHttpClient::Limits& limits) {
    return curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, limits.connectSeconds) == CURLE_OK &&
           curl_easy_setopt(easy, CURLOPT_TIMEOUT, limits.totalSeconds) == CURLE_OK;
}

bool ApplyPostBody(CURL* easy, const std::string& body) {
    return curl_easy_setopt(easy, CURLOPT_POST, 1L) == CURLE_OK &&
           curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE,
                            static_cast<curl_off_t>(body.size())) == CURLE_OK &&
           curl_easy_setopt(easy, CURLOPT_POSTFIELDS, body.data()) == CURLE_OK;
}

bool AddPart(curl_mime* mime, const CHttpClient::MultipartPart& part) {
    curl_mimepart* field = curl_mime_addpart(mime);
    if (!field || curl_mime_name(field, part.name.c_str()) != CURLE_OK)
        return false;
    if (!part.isFile)
        return curl_mime_data(field, part.value.data(), part.value.size()) == CURLE_OK;
    // curl reads a streamed file in small blocks as the request goes out and names the part
    // after the path; the caller's file name replaces that.
    const bool filled =
        part.filePath.empty()
            ? curl_mime_data(field, part.bytes.data(), part.bytes.size()) == CURLE_OK
            : curl_mime_filedata(field, part.filePath.c_str()) == CURLE_OK;
    return filled && curl_mime_filename(field, part.fileName.c_str()) == CURLE_OK &&
           curl_mime_type(field, "application/octet-stream") == CURLE_OK;
}

MimeForm BuildMultipart(CURL* easy, const std::vector<CHttpClient::MultipartPart>& parts) {
    MimeForm mime(curl_mime_init(easy));
    if (!mime)
        return mime;
    for (const CHttpClient::MultipartPart& part : parts) {
        if (!AddPart(mime.get(), part))
            return MimeForm();
    }
    return mime;
}

// Runs the prepared transfer: success only without a transfer error and with status 200.
// The status of a reply that came is handed back even when the transfer failed after it.
CHttpClient::Result Perform(CURL* easy, std::string& reply, long* statusOut) {
    const bool transferred = curl_easy_perform(easy) == CURLE_OK;
    long status = 0;
    if (curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status) != CURLE_OK)
        status = 0;
    if (statusOut)
        *statusOut = status;
    return {transferred && status == 200, std::move(reply)};
}

// Calls that end before a transfer runs report no reply.
CHttpClient::Result NotSent(long* status) {
    if (status)
        *status = 0;
    return {false, std::string()};
}

const std::string& ExtraCaFile() {
    return GetEndpoints().caFile;
}

// Time-outs must be thread safe, so transfers run with CURLOPT_NOSIGNAL, and then curl no
// longer masks SIGPIPE around its writes. A TLS peer that hangs up mid-write would otherwise
// end the whole program; the process ignores the signal and the write fails as an error.
void IgnoreBrokenPipes() {
    static std::once_flag once;
    std::call_once(once, [] { std::signal(SIGPIPE, SIG_IGN); });
}

CURL* NewTransfer() {
    IgnoreBrokenPipes();
    return curl_easy_init();
}

// What the write function of a download needs; lives on the stack of Download().
struct DownloadState {
    CURL* easy = nullptr;
    const CHttpClient::DownloadSink* sink = nullptr;
    std::int64_t maxBytes = 0;
    std::int64_t received = 0;
    long refusedStatus = 0; // non-200 status seen by the write function
    bool tooLarge = false;
    bool sinkRefused = false;
};

// Redirect bodies never get here (curl skips them while following); any other status is
// refused at its first byte, so an error page never reaches the sink.
size_t StreamToSink(char* data, size_t itemSize, size_t itemCount, void* target) {
    auto* state = static_cast<DownloadState*>(target);
    if (!state || !data)
        return 0;
    const size_t bytes = itemSize * itemCount;
    long status = 0;
    curl_easy_getinfo(state->easy, CURLINFO_RESPONSE_CODE, &status);
    if (status != 200) {
        state->refusedStatus = status;
        return 0;
    }
    if (state->received + static_cast<std::int64_t>(bytes) > state->maxBytes) {
        state->tooLarge = true;
        return 0;
    }
    state->received += static_cast<std::int64_t>(bytes);
    try {
        if (!(*state->sink)(data, bytes)) {
            state->sinkRefused = true;
            return 0;
        }
    } catch (...) {
        state->sinkRefused = true;
        return 0;
    }
    return bytes;
}

// Larger receive blocks than curl's 16 KiB: a package of hundreds of MiB then costs far fewer
// writes and digest calls.
constexpr long kDownloadBufferBytes = 256 * 1024;

bool ApplyDownloadOptions(CURL* easy, const DownloadLimits& limits, DownloadState& state,
                          curl_slist* headers) {
    return curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, kDownloadBufferBytes) == CURLE_OK &&
           curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &StreamToSink) == CURLE_OK &&
           curl_easy_setopt(easy, CURLOPT_WRITEDATA, &state) == CURLE_OK &&
           curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers) == CURLE_OK &&
           curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L) == CURLE_OK &&
           curl_easy_setopt(easy, CURLOPT_MAXREDIRS, limits.maxRedirects) == CURLE_OK &&
           curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https") == CURLE_OK &&
           curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE,
                            static_cast<curl_off_t>(limits.maxBytes)) == CURLE_OK &&
           curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, limits.lowSpeedBytes) == CURLE_OK &&
           curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, limits.lowSpeedSeconds) == CURLE_OK &&
           ApplyLimits(easy, {limits.connectSeconds, limits.totalSeconds});
}

DownloadResult DownloadOutcome(CURLcode code, const DownloadState& state) {
    DownloadResult result;
    curl_easy_getinfo(state.easy, CURLINFO_RESPONSE_CODE, &result.httpStatus);
    if (Gate().closed.load() && code != CURLE_OK) {
        result.status = DownloadStatus::Stopped;
        result.error = "stopped at shutdown";
    } else if (state.refusedStatus != 0 || (code == CURLE_OK && result.httpStatus != 200)) {
        result.status = DownloadStatus::NotOk;
        result.error = "status " + std::to_string(result.httpStatus);
    } else if (state.tooLarge || code == CURLE_FILESIZE_EXCEEDED) {
        result.status = DownloadStatus::TooLarge;
        result.error = "larger than " + std::to_string(state.maxBytes) + " bytes";
    } else if (state.sinkRefused) {
        result.status = DownloadStatus::SinkRefused;
        result.error = "the received bytes could not be stored";
    } else if (code != CURLE_OK) {
        result.status = DownloadStatus::TransferFailed;
        result.error = curl_easy_strerror(code);
    } else {
        result.status = DownloadStatus::Complete;
    }
    return result;
}

} // namespace

DownloadResult CHttpClient::Download(const std::string& url, const DownloadSink& sink,
                                     const DownloadLimits& limits) {
    DownloadResult refused;
    const TransferTicket ticket;
    if (!ticket) {
        refused.status = DownloadStatus::Stopped;
        refused.error = "stopped at shutdown";
        return refused;
    }
    EasyHandle easy(NewTransfer());
    HeaderList headers;
    std::string unused;
    DownloadState state;
    state.easy = easy.get();
    state.sink = &sink;
    state.maxBytes = std::max<std::int64_t>(limits.maxBytes, 0);
    if (!easy || !AppendHeader(headers, "Cache-Control: no-cache") ||
        !ApplyCommonOptions(easy.get(), url, ExtraCaFile(), unused) ||
        !ApplyDownloadOptions(easy.get(), limits, state, headers.get())) {
        refused.error = "the transfer could not be set up";
        return refused;
    }
    return DownloadOutcome(curl_easy_perform(easy.get()), state);
}

CHttpClient::Result CHttpClient::Get(const std::string& url, Limits limits, long* status) {
    const TransferTicket ticket;
    if (!ticket)
        return NotSent(status);
    EasyHandle easy(NewTransfer());
    std::string reply;
    if (!easy || !ApplyCommonOptions(easy.get(), url, ExtraCaFile(), reply) ||
        !ApplyLimits(easy.get(), limits))
        return NotSent(status);
    return Perform(easy.get(), reply, status);
}

CHttpClient::Result CHttpClient::PostForm(const std::string& url, const std::string& form,
                                          Limits limits, long* status) {
    const TransferTicket ticket;
    if (!ticket)
        return NotSent(status);
    EasyHandle easy(NewTransfer());
    std::string reply;
    if (!easy || !ApplyCommonOptions(easy.get(), url, ExtraCaFile(), reply) ||
        !ApplyLimits(easy.get(), limits) || !ApplyPostBody(easy.get(), form))
        return NotSent(status);
    return Perform(easy.get(), reply, status);
}

CHttpClient::Result CHttpClient::PostJson(const std::string& url, const std::string& json,
                                          Limits limits, long* status) {
    const TransferTicket ticket;
    if (!ticket)
        return NotSent(status);
    EasyHandle easy(NewTransfer());
    HeaderList headers;
    std::string reply;
    if (!easy || !AppendHeader(headers, "Content-Type: application/json;charset=UTF-8") ||
        curl_easy_setopt(easy.get(), CURLOPT_HTTPHEADER, headers.get()) != CURLE_OK ||
        !ApplyCommonOptions(easy.get(), url, ExtraCaFile(), reply) ||
        !ApplyLimits(easy.get(), limits) || !ApplyPostBody(easy.get(), json))
        return NotSent(status);
    return Perform(easy.get(), reply, status);
}

CHttpClient::Result CHttpClient::PostMultipart(const std::string& url,
                                               const std::vector<MultipartPart>& parts,
                                               long* status, UploadLimits limits) {
    const TransferTicket ticket;
    if (!ticket)
        return NotSent(status);
    EasyHandle easy(NewTransfer());
    if (!easy)
        return NotSent(status);
    HeaderList headers;
    MimeForm mime = BuildMultipart(easy.get(), parts);
    std::string reply;
    // curl completes the bare multipart content type with its boundary.
    if (!mime || !AppendHeader(headers, "Expect:") ||
        !AppendHeader(headers, "Content-Type:multipart/form-data") ||
        !AppendHeader(headers, "Charset:UTF-8") ||
        curl_easy_setopt(easy.get(), CURLOPT_HTTPHEADER, headers.get()) != CURLE_OK ||
        curl_easy_setopt(easy.get(), CURLOPT_MIMEPOST, mime.get()) != CURLE_OK ||
        curl_easy_setopt(easy.get(), CURLOPT_LOW_SPEED_LIMIT, limits.lowSpeedBytes) != CURLE_OK ||
        curl_easy_setopt(easy.get(), CURLOPT_LOW_SPEED_TIME, limits.lowSpeedSeconds) != CURLE_OK ||
        !ApplyCommonOptions(easy.get(), url, ExtraCaFile(), reply))
        return NotSent(status);
    return Perform(easy.get(), reply, status);
}

bool CHttpClient::StopAllTransfers(std::chrono::milliseconds wait) {
    TransferGate& gate = Gate();
    std::unique_lock<std::mutex> guard(gate.lock);
    gate.closed = true;
    return gate.idle.wait_for(guard, wait, [&gate] { return gate.running == 0; });
}
