#pragma once

#include "records/RecordItem.h"
#include "service/CHttpClient.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CRecordStore;

// The five calls on the signed-in user's records at the maker's service: fetch, edit, delete,
// and the save of a transcribed local record followed by the upload of its WAV. Each runs on a
// detached worker of its own that shares this object's state, writes the store and then posts
// the records message (records/RecordMessages.h) through `post`; a failure writes its line to
// the debug channel and, for the save and the upload, posts the failure message.
//
// A sign-out abandons what is running: AbandonRunning makes every call started before it
// change nothing and post nothing, whenever its reply comes. Start* and AbandonRunning are
// called on the UI thread; the workers may outlive this object.
class CRecordCalls {
public:
    struct Links {
        // The records the calls read and write; any thread.
        std::function<void(std::vector<RecordItem> records)> replaceServerRecords;
        std::function<std::optional<RecordItem>(int index)> localRecord;
        std::function<bool(int index, const RecordItem& record)> setLocalRecord;
        // Posts a records message to the main window; any thread.
        std::function<bool(unsigned msg, uintptr_t wParam)> post;
        // How long an upload may stall before it is given up.
        CHttpClient::UploadLimits uploadLimits;
    };

    CRecordCalls(std::string serviceBase, Links links);
    // Links to the process's record store (which the workers then share).
    static void UseStore(Links& links, const std::shared_ptr<CRecordStore>& store);
    ~CRecordCalls();
    CRecordCalls(const CRecordCalls&) = delete;
    CRecordCalls& operator=(const CRecordCalls&) = delete;

    // Replaces the server records with the user's list (message 1140); a failed fetch leaves
    // them as they are.
    void StartFetch(long long userId);
    // Sends the changed server record (message 1143).
    void StartEdit(const RecordItem& record);
    // Deletes the server record with this id (message 1141). A record without an id (0 or
    // less) is never sent: false, nothing starts.
    bool StartDelete(long long id);
    // Saves the local record at localIndex with the whole text of its text file; on success
    // the record takes the returned fields and its WAV is uploaded (1148 with the index).
    // Failures post 1147 (save) or 1149 (upload, also for a WAV that is gone).
    void StartSaveAndUpload(int localIndex, long long userId);

    // Every call started so far reports nothing and changes nothing from now on.
    void AbandonRunning();

private:
    struct Shared;
    std::shared_ptr<Shared> m_shared;
};
