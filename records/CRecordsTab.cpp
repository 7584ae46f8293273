#include "records/CRecordsTab.h"

#include "platform/DebugChannel.h"
#include "records/CRecordCalls.h"
#include "records/CRecordStore.h"
#include "records/RecordMessages.h"
#include "service/UserInfo.h"
#include "ui/framework/FileDialogs.h"
#include "ui/framework/ListItem.h"
#include "ui/framework/MessageBox.h"
#include "ui/framework/WindowImplBase.h"
#include "ui/framework/WindowMessage.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QMovie>
#include <QPointer>
#include <QVariantMap>

#include <system_error>
#include <thread>

namespace {

const char kTabs[] = "record_tab";
const char kLocalOption[] = "local_opt";
const char kServerOption[] = "server_opt";
const char kServerList[] = "record_server_list";
const char kLocalList[] = "record_local_list";
const char kOpusEdit[] = "opus_path_edit";
const char kWavEdit[] = "wav_path_edit";
const char kScanButton[] = "scan_btn";
const char kScanGif[] = "scan_gif";
const char kServerRowSkin[] = "recorditem.xml";
const char kLocalRowSkin[] = "recorditem_local.xml";
const char kLanguageList[] = "local_lang_com";
const char kIdentifyButton[] = "local_identify_btn";
const char kLoadingGif[] = "log_loading_gif";
const char kProgressLabel[] = "local_progress_lab";
const char kFolderPickerTitle[] = "Select the current directory";
const char kFinishedPicture[] = "file='mainWnd/icon_finish.png' corner='6,6,6,6'";
const char kIdentifyPicture[] = "file='mainWnd/icon_identify.png' corner='6,6,6,6'";
const char kLoadingAnimation[] = ":/skin/mainWnd/loading.gif";
// The languages a local record can be recognised in; the first is chosen at first.
const char* const kLanguages[] = {"zh_cn", "en_us"};

constexpr int kLocalPage = 0;
constexpr int kServerPage = 1;

QString Utf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
}

QString TitleOf(const RecordItem& record) {
    return Utf8(record.Title());
}

// One list item a record: its title, and its index as the tag of the row's controls.
std::vector<ListItem> RowItems(const std::vector<RecordItem>& records) {
    std::vector<ListItem> items;
    items.reserve(records.size());
    for (size_t i = 0; i < records.size(); ++i)
        items.push_back({TitleOf(records[i]), TitleOf(records[i]), static_cast<int>(i)});
    return items;
}

} // namespace

CRecordsTab::CRecordsTab(WindowImplBase& window, Links links)
    : m_window(window), m_links(std::move(links)) {}

CXfEngineWeb::Listener CRecordsTab::TranscriberListener() {
    WindowImplBase* target = &m_window;
    CXfEngineWeb::Listener listener;
    listener.finished = [target](bool failed) {
        PostMessage(target, recmsg::kTranscriptDone, failed ? 1 : 0, 0);
    };
    // The task runs on the UI thread while the window lives, and the tab lives as long.
    listener.progress = [target, this](int percent) {
        PostTask(target, [this, percent] { ShowProgress(percent); });
    };
    return listener;
}

CRecordsTab::~CRecordsTab() {
    // Rows not made yet would be filled by this tab: they go with it.
    m_window.RemoveAllListItems(QLatin1String(kServerList));
    m_window.RemoveAllListItems(QLatin1String(kLocalList));
}

bool CRecordsTab::IsSignedIn() const {
    return m_links.user && m_links.user->IsSignedIn();
}

long long CRecordsTab::UserId() const {
    return m_links.user ? m_links.user->Record().id : 0;
}

void CRecordsTab::InitRecorderPage() {
    m_window.SetOptionSelected(QLatin1String(kLocalOption), true);
    m_window.SelectTabPage(QLatin1String(kTabs), kLocalPage);
    m_window.SetControlVisible(QLatin1String(kScanButton), true);
    ShowScanAnimation(false);
}

void CRecordsTab::OnSignedIn() {
    ++m_signInTicket;
    StartFetch();
    FindRecorderDriveLater();
}

void CRecordsTab::OnSignedOut() {
    ++m_signInTicket;
    // Replies of calls already running change nothing from here on.
    if (m_links.calls)
        m_links.calls->AbandonRunning();
    m_identifying = false;
    m_current = -1;
    m_progressText.clear();
    m_window.RemoveAllListItems(QLatin1String(kServerList));
    m_window.RemoveAllListItems(QLatin1String(kLocalList));
    if (m_links.store)
        m_links.store->Clear();
    // A scan still running brings the button back with its end message.
    if (!m_links.store || !m_links.store->IsScanning()) {
        m_window.SetControlVisible(QLatin1String(kScanButton), true);
        ShowScanAnimation(false);
    }
}

void CRecordsTab::StartFetch() {
    if (m_links.calls && IsSignedIn())
        m_links.calls->StartFetch(UserId());
}

void CRecordsTab::FindRecorderDriveLater() {
    if (!m_links.findRecorderDrive)
        return;
    // Looking at the mounted volumes may wait on a slow device: a worker does it.
    WindowImplBase* target = &m_window;
    const std::uint64_t ticket = m_signInTicket;
    auto find = m_links.findRecorderDrive;
    try {
        std::thread([target, find, ticket, this] {
            const QString drive = find();
            PostTask(target, [this, drive, ticket] {
                if (ticket == m_signInTicket && IsSignedIn())
                    m_window.SetControlText(QLatin1String(kOpusEdit), drive);
            });
        }).detach();
    } catch (const std::system_error&) {
        platform::OutputDebug(QStringLiteral("FindRecorderDrive: no thread could be started\n"));
    }
}

bool CRecordsTab::OnSelectChanged(const QString& control, bool checked) {
    if (control == QLatin1String(kLocalOption)) {
        if (checked)
            m_window.SelectTabPage(QLatin1String(kTabs), kLocalPage);
        return true;
    }
    if (control == QLatin1String(kServerOption)) {
        if (checked)
            m_window.SelectTabPage(QLatin1String(kTabs), kServerPage);
        return true;
    }
    return false;
}

bool CRecordsTab::OnClick(const QString& control, QWidget* sender) {
    const int index = static_cast<int>(WindowImplBase::GetTag(sender));
    if (control == QLatin1String("opus_path_btn"))
        PickFolderInto(kOpusEdit);
    else if (control == QLatin1String("wav_path_btn"))
        PickFolderInto(kWavEdit);
    else if (control == QLatin1String(kScanButton))
        StartScan();
    else if (control == QLatin1String("update_btn"))
        OnUpdate();
    else if (control == QLatin1String("server_play_btn"))
        OpenPlayer(false, index);
    else if (control == QLatin1String("local_play_btn"))
        OpenPlayer(true, index);
    else if (control == QLatin1String("server_edit_btn"))
        OpenDialog(DialogWnd::Modify, index);
    else if (control == QLatin1String("server_del_btn"))
        AskDeleteServerRecord(index);
    else if (control == QLatin1String("local_del_btn"))
        AskDeleteLocalRecord(index);
    else if (control == QLatin1String(kIdentifyButton))
        Identify(index);
    else
        return false;
    return true;
}

bool CRecordsTab::HandleMessage(unsigned msg, uintptr_t wParam) {
    switch (msg) {
    case recmsg::kServerRecordsReplaced:
        if (IsSignedIn()) {
            RebuildServerList();
            RebuildLocalList();
        }
        return true;
    case recmsg::kServerRecordDeleted:
    case recmsg::kServerRecordEdited:
        StartFetch();
        return true;
    case recmsg::kLocalRecordsChanged:
        RebuildLocalList();
        m_window.SetControlVisible(QLatin1String(kScanButton), true);
        ShowScanAnimation(false);
        return true;
    case recmsg::kTranscriptDone:
        OnTranscriptDone(wParam != 0);
        return true;
    case recmsg::kSaveFailed:
    case recmsg::kUploadFailed:
        if (m_identifying)
            EndChainFailed();
        return true;
    case recmsg::kUploadDone:
        if (m_identifying)
            OnUploadDone();
        return true;
    default:
        return false;
    }
}

// --- lists ---------------------------------------------------------------------------------

void CRecordsTab::RebuildServerList() {
    const QString list = QLatin1String(kServerList);
    m_window.RemoveAllListItems(list);
    auto records = std::make_shared<const std::vector<RecordItem>>(m_links.store->ServerRecords());
    m_window.AddListRows(
        list, QLatin1String(kServerRowSkin), RowItems(*records),
        [this, records](QWidget* row, int index) {
            const RecordItem& record = (*records)[index];
            m_window.SetControlText(row->findChild<QWidget*>(QStringLiteral("server_name_lab")),
                                    TitleOf(record));
            m_window.SetControlText(row->findChild<QWidget*>(QStringLiteral("server_lang_lab")),
                                    Utf8(record.recognitionLanguage));
        });
}

void CRecordsTab::RebuildLocalList() {
    const QString list = QLatin1String(kLocalList);
    m_window.RemoveAllListItems(list);
    if (!m_links.store)
        return;
    // The server names may have changed since the last rebuild: no record goes up twice.
    m_links.store->RefreshOnServerFlags();
    auto records = std::make_shared<const std::vector<RecordItem>>(m_links.store->LocalRecords());
    m_window.AddListRows(
        list, QLatin1String(kLocalRowSkin), RowItems(*records),
        [this, records](QWidget* row, int index) { FillLocalRow(row, index, (*records)[index]); });
}

void CRecordsTab::FillLocalRow(QWidget* row, int index, const RecordItem& record) {
    m_window.SetControlText(row->findChild<QWidget*>(QStringLiteral("local_name_lab")),
                            TitleOf(record));
    auto* languages = row->findChild<QComboBox*>(QLatin1String(kLanguageList));
    if (languages) {
        languages->clear();
        for (const char* language : kLanguages) {
            languages->addItem(QLatin1String(language));
            languages->setItemData(languages->count() - 1, QLatin1String(language),
                                   ui::kListNameRole);
        }
        const int chosen = languages->findText(Utf8(record.recognitionLanguage));
        languages->setCurrentIndex(chosen >= 0 ? chosen : 0);
    }
    QWidget* identify = row->findChild<QWidget*>(QLatin1String(kIdentifyButton));
    QWidget* loading = row->findChild<QWidget*>(QLatin1String(kLoadingGif));
    QWidget* progress = row->findChild<QWidget*>(QLatin1String(kProgressLabel));
    const bool inChain = m_identifying && index == m_current;
    ShowAnimation(loading, inChain);
    m_window.SetControlVisible(identify, !inChain);
    m_window.SetControlText(progress, inChain ? m_progressText : QString());
    if (record.onServer) {
        m_window.SetControlEnabled(languages, false);
        m_window.SetBkImage(identify, QLatin1String(kFinishedPicture));
        m_window.SetControlEnabled(identify, false);
    } else {
        m_window.SetControlEnabled(languages, !inChain);
        m_window.SetBkImage(identify, QLatin1String(kIdentifyPicture));
        m_window.SetControlEnabled(identify, true);
    }
}

void CRecordsTab::ShowAnimation(QWidget* picture, bool shown) {
    // The animation runs only while it is shown: a thousand rows keep no thousand timers.
    if (auto* label = qobject_cast<QLabel*>(picture)) {
        QMovie* movie = label->movie();
        if (shown && movie == nullptr) {
            movie = new QMovie(QLatin1String(kLoadingAnimation), QByteArray(), label);
            label->setMovie(movie);
        }
        if (movie != nullptr)
            shown ? movie->start() : movie->stop();
    }
    m_window.SetControlVisible(picture, shown);
}

void CRecordsTab::ShowScanAnimation(bool shown) {
    ShowAnimation(m_window.FindControl(QLatin1String(kScanGif)), shown);
}

QWidget* CRecordsTab::LocalRowControl(int index, const char* name) const {
    return m_window.FindRowControl(QLatin1String(kLocalList), index, QLatin1String(name));
}

// --- buttons -------------------------------------------------------------------------------

void CRecordsTab::PickFolderInto(const char* edit) {
    QPointer<QWidget> alive(m_window.GetHWND());
    const QString name = QLatin1String(edit);
    ui::PickFolder(m_window.GetHWND(), QLatin1String(kFolderPickerTitle), QDir::homePath(),
                   [this, alive, name](const QString& path) {
                       if (alive && !path.isEmpty())
                           m_window.SetControlText(name, path);
                   });
}

void CRecordsTab::StartScan() {
    const QString opusFolder = m_window.GetControlText(QLatin1String(kOpusEdit));
    const QString rootFolder = m_window.GetControlText(QLatin1String(kWavEdit));
    if (opusFolder.isEmpty() || rootFolder.isEmpty() || !m_links.store)
        return;
    m_links.store->StartScan(opusFolder, rootFolder);
    m_window.SetControlVisible(QLatin1String(kScanButton), false);
    ShowScanAnimation(true);
}

void CRecordsTab::WarnBusy() const {
    ui::ShowMessageBox(m_window.GetHWND(), QStringLiteral("有录音文件正在识别,请勿操作"),
                       QStringLiteral("Warning"), ui::MessageBoxButtons::Ok,
                       ui::MessageBoxIcon::Warning);
}

void CRecordsTab::OnUpdate() {
    if (m_identifying)
        WarnBusy();
    else
        StartFetch();
}

void CRecordsTab::OpenPlayer(bool local, int index) {
    QVariantMap argument;
    argument.insert(QStringLiteral("local"), local);
    argument.insert(QStringLiteral("index"), index);
    OpenDialog(DialogWnd::Voice, argument);
}

void CRecordsTab::OpenDialog(DialogWnd kind, const QVariant& argument) {
    if (m_links.openDialog)
        m_links.openDialog(kind, DialogRequest{m_window.GetHWND(), {}, argument});
}

void CRecordsTab::AskDeleteServerRecord(int index) {
    const std::optional<RecordItem> record = m_links.store->ServerRecord(index);
    if (!record)
        return;
    // The id is taken now: a refetch before the answer may reorder the list.
    const long long id = record->id;
    ui::ShowMessageBox(m_window.GetHWND(), QStringLiteral("是否删除录音笔云端录音文件?"),
                       QStringLiteral("Warning"), ui::MessageBoxButtons::YesNo,
                       ui::MessageBoxIcon::Warning, [this, id](ui::MessageBoxAnswer answer) {
                           if (answer != ui::MessageBoxAnswer::Yes)
                               return;
                           if (!m_links.calls->StartDelete(id))
                               platform::OutputDebug(QStringLiteral("删除录音失败\n"));
                       });
}

void CRecordsTab::AskDeleteLocalRecord(int index) {
    if (m_identifying) {
        WarnBusy();
        return;
    }
    const std::optional<RecordItem> record = m_links.store->LocalRecord(index);
    if (!record)
        return;
    const std::string opusPath = record->opusPath;
    ui::ShowMessageBox(m_window.GetHWND(), QStringLiteral("是否删除录音笔本地录音文件?"),
                       QStringLiteral("Warning"), ui::MessageBoxButtons::YesNo,
                       ui::MessageBoxIcon::Warning,
                       [this, index, opusPath](ui::MessageBoxAnswer answer) {
                           if (answer != ui::MessageBoxAnswer::Yes || m_identifying)
                               return;
                           // Only the record the user was asked about goes, even if the list
                           // changed.
                           const std::optional<RecordItem> now = m_links.store->LocalRecord(index);
                           if (!now || now->opusPath != opusPath)
                               return;
                           m_links.store->RemoveLocalRecord(index);
                           // Rebuilt, so that every row's tag is its record's index again.
                           RebuildLocalList();
                       });
}

void CRecordsTab::Identify(int index) {
    if (m_identifying || m_transcribing) {
        WarnBusy();
        return;
    }
    std::optional<RecordItem> record = m_links.store->LocalRecord(index);
    if (!record || record->onServer)
        return;
    QString language = QLatin1String(kLanguages[0]);
    if (auto* languages = qobject_cast<QComboBox*>(LocalRowControl(index, kLanguageList)))
        language = languages->currentText();
    record->recognitionLanguage = language.toUtf8().toStdString();
    record->content.clear();
    m_links.store->SetLocalRecord(index, *record);

    m_identifying = true;
    m_current = index;
    m_progressText.clear();
    ShowAnimation(LocalRowControl(index, kLoadingGif), true);
    m_window.SetControlVisible(LocalRowControl(index, kIdentifyButton), false);
    m_window.SetControlEnabled(LocalRowControl(index, kLanguageList), false);

    if (!m_links.transcribe) {
        platform::OutputDebug(QStringLiteral("no recording transcriber\n"));
        PostMessage(&m_window, recmsg::kTranscriptDone, 1, 0);
        return;
    }
    m_transcribing = true;
    m_links.transcribe({record->pcmPath, record->txtPath, record->recognitionLanguage});
}

void CRecordsTab::ShowProgress(int percent) {
    if (!m_identifying || m_current < 0)
        return;
    m_progressText = QStringLiteral("%1%").arg(percent);
    m_window.SetControlText(LocalRowControl(m_current, kProgressLabel), m_progressText);
}

// --- the chain -----------------------------------------------------------------------------

void CRecordsTab::OnTranscriptDone(bool failed) {
    m_transcribing = false;
    // A transcript of a chain abandoned by a sign-out goes nowhere.
    if (!m_identifying)
        return;
    if (failed) {
        EndChainFailed();
        return;
    }
    m_links.calls->StartSaveAndUpload(m_current, UserId());
}

void CRecordsTab::OnUploadDone() {
    m_identifying = false;
    const int current = m_current;
    m_current = -1;
    m_window.SetControlEnabled(LocalRowControl(current, kLanguageList), false);
    ShowAnimation(LocalRowControl(current, kLoadingGif), false);
    QWidget* identify = LocalRowControl(current, kIdentifyButton);
    m_window.SetControlVisible(identify, true);
    m_window.SetBkImage(identify, QLatin1String(kFinishedPicture));
    m_window.SetControlEnabled(identify, false);
    StartFetch();
}

void CRecordsTab::EndChainFailed() {
    m_identifying = false;
    const int current = m_current;
    m_current = -1;
    ShowAnimation(LocalRowControl(current, kLoadingGif), false);
    QWidget* identify = LocalRowControl(current, kIdentifyButton);
    m_window.SetControlVisible(identify, true);
    m_window.SetBkImage(identify, QLatin1String(kIdentifyPicture));
    m_window.SetControlEnabled(identify, true);
    m_window.SetControlEnabled(LocalRowControl(current, kLanguageList), true);
    ui::ShowMessageBox(m_window.GetHWND(), QStringLiteral("上传录音失败"), QStringLiteral("Error"),
                       ui::MessageBoxButtons::Ok, ui::MessageBoxIcon::None);
}
