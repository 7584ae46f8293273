#pragma once

#include "records/RecordItem.h"

#include <QString>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// The recordings the records tab shows: the signed-in user's records on the maker's service
// and the local records converted from the recording pen's Opus files. One object for the
// process, shared with the worker threads that fill it; every member may be called from any
// thread and hands out copies, so no caller ever holds a reference into the lists.
class CRecordStore {
public:
    struct Links {
        // A scan is over (the main window's message 1144); called on the scan thread.
        std::function<void()> scanFinished;
        // One line for the log.
        std::function<void(const QString&)> log;
        // A scan is about to convert this Opus file (optional; called on the scan thread).
        std::function<void(const QString& opusPath)> converting;
    };

    explicit CRecordStore(Links links);
    // Waits for a running scan, which stops at its next block; scans still queued are dropped
    // (no scanFinished after destruction began), queued Opus deletions are carried out.
    ~CRecordStore();
    CRecordStore(const CRecordStore&) = delete;
    CRecordStore& operator=(const CRecordStore&) = delete;

    // Scans opusFolder for new recordings on a worker thread and returns at once: every Opus
    // file whose NAME has not been seen becomes root/pcm/NAME.pcm, root/wav/NAME.wav and a local
    // record (text path root/txt/NAME.txt). scanFinished follows in every case. A scan asked
    // for while one runs follows it. A file that cannot be converted leaves no output and its
    // NAME unseen (an Ogg file excepted), so a later scan tries it again.
    void StartScan(const QString& opusFolder, const QString& rootFolder);
    bool IsScanning() const;

    // Sign-out: both lists and the seen names are emptied.
    void Clear();

    // Server records, replaced as a whole by a fetch; the server names and every local record's
    // on-server flag are recomputed with them.
    void ReplaceServerRecords(std::vector<RecordItem> records);
    std::vector<RecordItem> ServerRecords() const;
    std::optional<RecordItem> ServerRecord(int index) const;
    bool SetServerRecord(int index, const RecordItem& record);

    // Local records, in the order they were converted; each carries its on-server flag.
    std::vector<RecordItem> LocalRecords() const;
    std::optional<RecordItem> LocalRecord(int index) const;
    bool SetLocalRecord(int index, const RecordItem& record);
    // Removes the record and its own NAME from the seen names and deletes its Opus file (on the
    // store's worker, soon after; no scan converts that file meanwhile).
    bool RemoveLocalRecord(int index);
    // Recomputes the on-server flags from the server names (on every local-list rebuild).
    void RefreshOnServerFlags();

private:
    struct Shared;
    std::shared_ptr<Shared> m_shared;
};

// The mount point of the first removable volume whose top folder holds an Opus file, or an
// empty text.
QString FindRecorderDrive();
