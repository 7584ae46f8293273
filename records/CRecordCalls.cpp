#include "records/CRecordCalls.h"

#include "platform/DebugChannel.h"
#include "records/CRecordStore.h"
#include "records/RecordMessages.h"
#include "records/RecordRequests.h"
#include "service/ServiceReply.h"

#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

namespace {

const CHttpClient::Limits kFetchLimits{2, 3};
const CHttpClient::Limits kEditLimits{2, 3};
const CHttpClient::Limits kDeleteLimits{3, 3};
const CHttpClient::Limits kSaveLimits{2, 5};

const char kFetchFailed[] = "获取录音失败\n";
const char kEditFailed[] = "修改录音失败\n";
const char kDeleteFailed[] = "删除录音失败\n";
const char kSaveFailed[] = "添加录音失败\n";
const char kUploadFailed[] = "上传录音文件失败\n";

void Debug(const std::string& utf8) {
    platform::OutputDebug(QString::fromUtf8(utf8.data(), static_cast<int>(utf8.size())));
}

// The service's own words on a refusal go to the debug channel unchanged.
void DebugRefusal(const ServiceReply& reply) {
    Debug(reply.msg);
}

void RunDetached(std::function<void()> work, const char* what) {
    try {
        std::thread(std::move(work)).detach();
    } catch (const std::system_error&) {
        platform::OutputDebug(QString::fromLatin1(what) +
                              QStringLiteral(": no thread could be started\n"));
    }
}

// How one call's reply came out, before the caller decides what it means.
enum class Outcome { TransportFailed, NotJson, Refused, Accepted };

Outcome Judge(const CHttpClient::Result& result, ServiceReply& reply) {
    if (!result.first)
        return Outcome::TransportFailed;
    reply = ServiceReply::Parse(result.second);
    if (!reply.parsed)
        return Outcome::NotJson;
    return reply.ok ? Outcome::Accepted : Outcome::Refused;
}

// The fetch, edit and delete: a transfer failure writes failedLine, a refusal its "msg", a
// body that is no JSON nothing. True when the service accepted the call.
bool Accepted(const CHttpClient::Result& result, const char* failedLine, ServiceReply& reply) {
    switch (Judge(result, reply)) {
    case Outcome::TransportFailed:
        Debug(failedLine);
        return false;
    case Outcome::NotJson:
        return false;
    case Outcome::Refused:
        DebugRefusal(reply);
        return false;
    case Outcome::Accepted:
        return true;
    }
    return false;
}

} // namespace

struct CRecordCalls::Shared {
    std::string base;
    Links links;
    std::mutex lock;
    std::uint64_t generation = 0; // guarded by lock

    std::uint64_t Generation() {
        std::lock_guard<std::mutex> guard(lock);
        return generation;
    }

    // Runs prepare and posts the message as one step, unless the calls of `startedIn` were
    // abandoned meanwhile; then neither happens (false).
    bool Deliver(std::uint64_t startedIn, const std::function<bool()>& prepare, unsigned msg,
                 uintptr_t wParam = 0) {
        std::lock_guard<std::mutex> guard(lock);
        if (startedIn != generation)
            return false;
        if (prepare && !prepare())
            return false;
        return links.post && links.post(msg, wParam);
    }

    // Runs change unless the calls of `startedIn` were abandoned; false when it did not run
    // or failed.
    bool Apply(std::uint64_t startedIn, const std::function<bool()>& change) {
        std::lock_guard<std::mutex> guard(lock);
        return startedIn == generation && change();
    }

    void Upload(std::uint64_t startedIn, int index, const RecordItem& record, long long userId);
};

CRecordCalls::CRecordCalls(std::string serviceBase, Links links)
    : m_shared(std::make_shared<Shared>()) {
    m_shared->base = std::move(serviceBase);
    m_shared->links = std::move(links);
}

void CRecordCalls::UseStore(Links& links, const std::shared_ptr<CRecordStore>& store) {
    links.replaceServerRecords = [store](std::vector<RecordItem> records) {
        store->ReplaceServerRecords(std::move(records));
    };
    links.localRecord = [store](int index) { return store->LocalRecord(index); };
    links.setLocalRecord = [store](int index, const RecordItem& record) {
        return store->SetLocalRecord(index, record);
    };
}

CRecordCalls::~CRecordCalls() {
    // Workers still running keep the shared state, but report nothing any more.
    AbandonRunning();
}

void CRecordCalls::AbandonRunning() {
    std::lock_guard<std::mutex> guard(m_shared->lock);
    ++m_shared->generation;
}

void CRecordCalls::StartFetch(long long userId) {
    const std::uint64_t startedIn = m_shared->Generation();
    RunDetached(
        [shared = m_shared, startedIn, userId] {
            const auto result =
                CHttpClient::Get(shared->base + recordrequests::FetchPath(userId), kFetchLimits);
            ServiceReply reply;
            if (!Accepted(result, kFetchFailed, reply))
                return;
            std::optional<std::vector<RecordItem>> records =
                recordrequests::ParseFetchData(reply.data);
            // A list that is no list keeps the records shown.
            if (!records) {
                Debug(kFetchFailed);
                return;
            }
            shared->Deliver(
                startedIn,
                [&] {
                    shared->links.replaceServerRecords(std::move(*records));
                    return true;
                },
                recmsg::kServerRecordsReplaced);
        },
        "getRecords");
}

void CRecordCalls::StartEdit(const RecordItem& record) {
    const std::uint64_t startedIn = m_shared->Generation();
    RunDetached(
        [shared = m_shared, startedIn, form = recordrequests::EditForm(record)] {
            const auto result =
                CHttpClient::PostForm(shared->base + recordrequests::kEditPath, form, kEditLimits);
            ServiceReply reply;
            if (Accepted(result, kEditFailed, reply))
                shared->Deliver(startedIn, nullptr, recmsg::kServerRecordEdited);
        },
        "editRecord");
}

bool CRecordCalls::StartDelete(long long id) {
    if (id <= 0)
        return false;
    const std::uint64_t startedIn = m_shared->Generation();
    RunDetached(
        [shared = m_shared, startedIn, id] {
            const auto result =
                CHttpClient::Get(shared->base + recordrequests::DeletePath(id), kDeleteLimits);
            ServiceReply reply;
            if (Accepted(result, kDeleteFailed, reply))
                shared->Deliver(startedIn, nullptr, recmsg::kServerRecordDeleted);
        },
        "deleteRecord");
    return true;
}

void CRecordCalls::StartSaveAndUpload(int localIndex, long long userId) {
    const std::uint64_t startedIn = m_shared->Generation();
    const std::optional<RecordItem> snapshot = m_shared->links.localRecord(localIndex);
    RunDetached(
        [shared = m_shared, startedIn, localIndex, snapshot, userId] {
            // The chain always ends in a message: a record that is gone fails the save.
            if (!snapshot) {
                Debug(kSaveFailed);
                shared->Deliver(startedIn, nullptr, recmsg::kSaveFailed);
                return;
            }
            RecordItem record = *snapshot;
            recordrequests::SaveFields fields;
            fields.content = recordrequests::ReadTranscript(record.txtPath).value_or(std::string());
            fields.userId = userId;
            fields.recordTime = recordrequests::LocalTimeNow();
            fields.duration =
                std::to_string(recordrequests::WavDurationSeconds(record.wavPath).value_or(0));
            const auto result =
                CHttpClient::PostJson(shared->base + recordrequests::kSavePath,
                                      recordrequests::SaveBody(record, fields), kSaveLimits);
            ServiceReply reply;
            const Outcome outcome = Judge(result, reply);
            if (outcome == Outcome::Refused)
                DebugRefusal(reply);
            else if (outcome != Outcome::Accepted || !reply.data.isObject())
                Debug(kSaveFailed);
            // Without the saved record there is nothing to upload it for.
            if (outcome != Outcome::Accepted || !reply.data.isObject()) {
                shared->Deliver(startedIn, nullptr, recmsg::kSaveFailed);
                return;
            }
            record.content = fields.content;
            record.TakeSaveReply(reply.data);
            // The list may have changed under the chain; only the same record takes the reply.
            const bool stored = shared->Apply(startedIn, [&] {
                const std::optional<RecordItem> now = shared->links.localRecord(localIndex);
                return now && now->wavPath == record.wavPath &&
                       shared->links.setLocalRecord(localIndex, record);
            });
            if (!stored) {
                shared->Deliver(startedIn, nullptr, recmsg::kSaveFailed);
                return;
            }
            shared->Upload(startedIn, localIndex, record, userId);
        },
        "saveRecord");
}

void CRecordCalls::Shared::Upload(std::uint64_t startedIn, int index, const RecordItem& record,
                                  long long userId) {
    const std::optional<std::uint64_t> size = recordrequests::RegularFileSize(record.wavPath);
    if (!size) {
        Debug(kUploadFailed);
        Deliver(startedIn, nullptr, recmsg::kUploadFailed);
        return;
    }
    const auto result = CHttpClient::PostMultipart(
        base + recordrequests::kUploadPath, recordrequests::UploadParts(record, userId, *size),
        nullptr, links.uploadLimits);
    ServiceReply reply;
    const Outcome outcome = Judge(result, reply);
    if (outcome == Outcome::Refused)
        DebugRefusal(reply);
    if (outcome != Outcome::Accepted) {
        Debug(kUploadFailed);
        Deliver(startedIn, nullptr, recmsg::kUploadFailed);
        return;
    }
    Deliver(startedIn, nullptr, recmsg::kUploadDone, static_cast<uintptr_t>(index));
}
