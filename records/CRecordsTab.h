#pragma once

#include "app/WindowFactories.h"
#include "speech/CXfEngineWeb.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "records/RecordItem.h"

class CRecordCalls;
class CRecordStore;
class QWidget;
class UserInfo;
class WindowImplBase;

// The recording pen's records page of the main window: the signed-in user's records on the
// maker's service and the local records converted from the pen, and the chain that transcribes
// one local record, saves it on the service and uploads its WAV.
//
// The main window hands it the page's notifications and the records messages
// (records/RecordMessages.h); everything runs on the UI thread. Disk, network and decoding run
// on the store's, the calls' and the transcriber's threads, which report by message. At most one
// record is in the chain at a time; while it runs, identifying, deleting a local record and
// refreshing are refused with a warning. Lives as long as the main window.
class CRecordsTab {
public:
    struct Links {
        std::shared_ptr<CRecordStore> store;
        std::shared_ptr<CRecordCalls> calls;
        std::shared_ptr<UserInfo> user;
        // Starts the recording transcriber on a job; empty when the configured engine has
        // none (identifying then fails at once). The transcriber reports through the listener
        // TranscriberListener() gives.
        std::function<void(const TranscriptionJob& job)> transcribe;
        std::function<void(DialogWnd kind, const DialogRequest& request)> openDialog;
        // The recording pen's volume, or empty; called on a worker thread.
        std::function<QString()> findRecorderDrive;
    };

    CRecordsTab(WindowImplBase& window, Links links);
    ~CRecordsTab();
    CRecordsTab(const CRecordsTab&) = delete;
    CRecordsTab& operator=(const CRecordsTab&) = delete;

    // The page's first showing: the local list page, the scan button ready.
    void InitRecorderPage();
    // Signed in (1138): fetches the server records and looks for the pen's volume.
    void OnSignedIn();
    // Signed out (1151): the lists and the store are emptied, a running chain is abandoned.
    void OnSignedOut();

    // The page's notifications by control name; true when the control is the page's.
    bool OnClick(const QString& control, QWidget* sender);
    bool OnSelectChanged(const QString& control, bool checked);
    // The records messages; true when handled.
    bool HandleMessage(unsigned msg, uintptr_t wParam);

    bool IsIdentifying() const { return m_identifying; }

    // What the transcriber reports to: the outcome as message 1145 (wParam 1: failed), the
    // progress into the current record's row. Callable from any thread; dropped once the
    // window is gone.
    CXfEngineWeb::Listener TranscriberListener();

private:
    void StartFetch();
    void FindRecorderDriveLater();
    // The lists are made again from the store; a row is made as it comes into view, and shows
    // the chain's state of that moment.
    void RebuildServerList();
    void RebuildLocalList();
    void FillLocalRow(QWidget* row, int index, const RecordItem& record);
    QWidget* LocalRowControl(int index, const char* name) const;
    void ShowAnimation(QWidget* picture, bool shown);
    void ShowScanAnimation(bool shown);
    void PickFolderInto(const char* edit);
    void StartScan();
    void OnUpdate();
    void OpenPlayer(bool local, int index);
    void OpenDialog(DialogWnd kind, const QVariant& argument);
    void AskDeleteServerRecord(int index);
    void AskDeleteLocalRecord(int index);
    void Identify(int index);
    void OnTranscriptDone(bool failed);
    void OnUploadDone();
    void EndChainFailed();
    void ShowProgress(int percent);
    void WarnBusy() const;
    bool IsSignedIn() const;
    long long UserId() const;

    WindowImplBase& m_window;
    Links m_links;
    bool m_identifying = false;
    // The transcriber works on a record; stays set for one abandoned by a sign-out until it
    // reports, since it takes one record at a time.
    bool m_transcribing = false;
    int m_current = -1;
    QString m_progressText;
    // Bumped by every sign-in and sign-out: a volume look-up of an earlier period is dropped.
    std::uint64_t m_signInTicket = 0;
};
