#include "records/CRecordStore.h"

#include "platform/DebugChannel.h"
#include "platform/Volumes.h"
#include "records/COpusPenDecoder.h"
#include "records/ConvertPcmToWav.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <set>
#include <thread>

namespace {

// PATH_MAX counts the terminator: longer paths fail in the system calls anyway, and refusing
// them up front keeps that failure one clear log line.
constexpr int kMaxPathBytes = 4095;
const QString kOpusSuffix = QStringLiteral(".opus");

bool PathTooLong(const QString& path) {
    return QFile::encodeName(path).size() > kMaxPathBytes;
}

// The file name up to its first ".".
QString NameOf(const QString& fileName) {
    const int dot = fileName.indexOf(QLatin1Char('.'));
    return dot < 0 ? fileName : fileName.left(dot);
}

// Regular files directly in the folder whose name ends ".opus" in any case (a FAT volume shows
// 8.3 names in upper case), in byte order of their names. Hidden files are left out: a name
// beginning "." has no NAME, and "._x.opus" is another system's metadata, not a recording.
QStringList OpusFilesIn(const QString& folder) {
    QStringList names;
    const QDir dir(folder);
    for (const QFileInfo& entry : dir.entryInfoList(QDir::Files, QDir::Unsorted)) {
        if (entry.fileName().endsWith(kOpusSuffix, Qt::CaseInsensitive))
            names << entry.fileName();
    }
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return QFile::encodeName(a) < QFile::encodeName(b);
    });
    return names;
}

// "root", "root/" and "root//" all give "root/sub"; "/" gives "/sub".
QString SubFolder(QString root, const char* sub) {
    while (root.size() > 1 && root.endsWith(QLatin1Char('/')))
        root.chop(1);
    if (!root.endsWith(QLatin1Char('/')))
        root += QLatin1Char('/');
    return root + QLatin1String(sub);
}

// The NAME of a local record: its Opus file's name up to the first "." (the filename may be
// replaced by a save reply, the Opus path never is).
std::string LocalName(const RecordItem& record) {
    if (record.opusPath.empty())
        return record.Title();
    const QString file = QFileInfo(QString::fromStdString(record.opusPath)).fileName();
    return NameOf(file).toStdString();
}

// The last "/" component of a server record's filepath, cut at its first ".".
std::string ServerName(const RecordItem& record) {
    const std::size_t slash = record.filepath.rfind('/');
    const std::string last =
        slash == std::string::npos ? record.filepath : record.filepath.substr(slash + 1);
    return last.substr(0, last.find('.'));
}

} // namespace

struct CRecordStore::Shared {
    explicit Shared(Links l) : links(std::move(l)) {}

    void Log(const QString& line) const {
        if (links.log)
            links.log(line);
    }

    const Links links;

    // The lists, the names and the generation.
    mutable std::mutex lock;
    std::vector<RecordItem> server;
    std::vector<RecordItem> local;
    std::vector<std::string> seenNames;
    std::vector<std::string> serverNames;
    // Opus files a removed record still has to delete; a scan leaves them alone meanwhile.
    std::set<QString> doomedOpusFiles;
    // Clear starts a new generation: work begun before it adds nothing after it.
    unsigned generation = 0;

    // The worker: scans and deletions, one at a time, in the order asked (deletions first).
    std::mutex queueLock;
    std::condition_variable wake;
    std::deque<std::function<void()>> tasks;
    bool stopping = false;
    std::atomic<bool> cancel{false};
    std::atomic<int> scansPending{0};
    std::thread worker;

    void Post(std::function<void()> task, bool urgent);
    void RunWorker();

    void Scan(const QString& opusFolder, const QString& rootFolder, unsigned scanGeneration);
    bool PrepareFolders(const QString& opusFolder, const QString& rootFolder);
    // Takes NAME for this scan; false when it was seen before or its file is being deleted.
    bool Claim(const std::string& name, const QString& opusPath, unsigned scanGeneration);
    void Unclaim(const std::string& name);
    // Decodes one Opus file and wraps it as WAV; the new record, or nothing (no files left).
    std::optional<RecordItem> Convert(const QString& opusPath, const QString& name,
                                      const QString& rootFolder, bool& keepNameSeen);
    void AddLocal(RecordItem record, unsigned scanGeneration);
    void RecomputeOnServerLocked();
};

void CRecordStore::Shared::Post(std::function<void()> task, bool urgent) {
    {
        std::lock_guard<std::mutex> guard(queueLock);
        if (urgent)
            tasks.push_front(std::move(task));
        else
            tasks.push_back(std::move(task));
    }
    wake.notify_one();
}

void CRecordStore::Shared::RunWorker() {
    for (;;) {
        std::function<void()> task;
        {
            std::unique_lock<std::mutex> guard(queueLock);
            wake.wait(guard, [this] { return stopping || !tasks.empty(); });
            // Queued deletions still run at the end; queued scans see the cancel and return.
            if (tasks.empty())
                return;
            task = std::move(tasks.front());
            tasks.pop_front();
        }
        task();
    }
}

bool CRecordStore::Shared::PrepareFolders(const QString& opusFolder, const QString& rootFolder) {
    for (const QString& folder : {opusFolder, SubFolder(rootFolder, "pcm"),
                                  SubFolder(rootFolder, "wav"), SubFolder(rootFolder, "txt")}) {
        if (PathTooLong(folder)) {
            Log(QStringLiteral("records: scan refused, path over %1 bytes: %2...")
                    .arg(QString::number(kMaxPathBytes), folder.left(200)));
            return false;
        }
    }
    for (const char* sub : {"pcm", "wav", "txt"}) {
        const QString folder = SubFolder(rootFolder, sub);
        if (!QDir().mkpath(folder)) {
            Log(QStringLiteral("records: scan stopped, folder %1 cannot be made").arg(folder));
            return false;
        }
    }
    return true;
}

bool CRecordStore::Shared::Claim(const std::string& name, const QString& opusPath,
                                 unsigned scanGeneration) {
    std::lock_guard<std::mutex> guard(lock);
    if (generation != scanGeneration || doomedOpusFiles.count(opusPath) != 0 ||
        std::find(seenNames.begin(), seenNames.end(), name) != seenNames.end())
        return false;
    seenNames.push_back(name);
    return true;
}

void CRecordStore::Shared::Unclaim(const std::string& name) {
    std::lock_guard<std::mutex> guard(lock);
    auto seen = std::find(seenNames.begin(), seenNames.end(), name);
    if (seen != seenNames.end())
        seenNames.erase(seen);
}

std::optional<RecordItem> CRecordStore::Shared::Convert(const QString& opusPath,
                                                        const QString& name,
                                                        const QString& rootFolder,
                                                        bool& keepNameSeen) {
    keepNameSeen = false;
    const QString pcmPath = SubFolder(rootFolder, "pcm/") + name + QStringLiteral(".pcm");
    const QString wavPath = SubFolder(rootFolder, "wav/") + name + QStringLiteral(".wav");
    const QString txtPath = SubFolder(rootFolder, "txt/") + name + QStringLiteral(".txt");
    for (const QString& path : {opusPath, pcmPath, wavPath, txtPath}) {
        if (PathTooLong(path)) {
            Log(QStringLiteral("records: %1 skipped, a path is over %2 bytes")
                    .arg(QFileInfo(opusPath).fileName().left(200), QString::number(kMaxPathBytes)));
            return std::nullopt;
        }
    }
    if (links.converting)
        links.converting(opusPath);

    COpusPenDecoder decoder;
    const COpusPenDecoder::Outcome outcome = decoder.DecodeFile(opusPath, pcmPath, &cancel);
    if (outcome != COpusPenDecoder::Outcome::Done) {
        // An Ogg file stays what it is: the next scan need not look at it again.
        keepNameSeen = outcome == COpusPenDecoder::Outcome::NotPenFile;
        if (outcome != COpusPenDecoder::Outcome::Cancelled)
            Log(QStringLiteral("records: %1 skipped: %2")
                    .arg(opusPath, QLatin1String(COpusPenDecoder::OutcomeText(outcome))));
        return std::nullopt;
    }
    if (ConvertPcmToWav(pcmPath, COpusPenDecoder::kChannels, COpusPenDecoder::kSampleRate,
                        wavPath) != 0) {
        QFile::remove(pcmPath);
        Log(QStringLiteral("records: %1 skipped: the WAV file cannot be written").arg(opusPath));
        return std::nullopt;
    }
    RecordItem record;
    record.attr1 = wavPath.toStdString();
    record.filename = (name + QStringLiteral(".wav")).toStdString();
    record.opusPath = opusPath.toStdString();
    record.pcmPath = pcmPath.toStdString();
    record.wavPath = wavPath.toStdString();
    record.txtPath = txtPath.toStdString();
    return record;
}

void CRecordStore::Shared::AddLocal(RecordItem record, unsigned scanGeneration) {
    std::lock_guard<std::mutex> guard(lock);
    if (generation != scanGeneration)
        return;
    const std::string name = LocalName(record);
    record.onServer = std::find(serverNames.begin(), serverNames.end(), name) != serverNames.end();
    local.push_back(std::move(record));
}

void CRecordStore::Shared::Scan(const QString& opusFolder, const QString& rootFolder,
                                unsigned scanGeneration) {
    if (cancel.load())
        return; // the store is going away: nobody waits for the end
    if (PrepareFolders(opusFolder, rootFolder)) {
        if (!QFileInfo(opusFolder).isDir())
            Log(QStringLiteral("records: the Opus folder %1 cannot be read").arg(opusFolder));
        for (const QString& file : OpusFilesIn(opusFolder)) {
            if (cancel.load())
                return;
            const QString name = NameOf(file);
            const QString opusPath = QDir(opusFolder).filePath(file);
            if (!Claim(name.toStdString(), opusPath, scanGeneration))
                continue;
            bool keepNameSeen = false;
            std::optional<RecordItem> record = Convert(opusPath, name, rootFolder, keepNameSeen);
            if (record)
                AddLocal(std::move(*record), scanGeneration);
            else if (!keepNameSeen)
                Unclaim(name.toStdString()); // a file that comes back is converted then
        }
    }
    if (cancel.load())
        return;
    platform::OutputDebug(QStringLiteral("扫描完成\n"));
    --scansPending;
    if (links.scanFinished)
        links.scanFinished();
}

void CRecordStore::Shared::RecomputeOnServerLocked() {
    serverNames.clear();
    for (const RecordItem& record : server) {
        if (!record.filepath.empty())
            serverNames.push_back(ServerName(record));
    }
    for (RecordItem& record : local) {
        record.onServer = std::find(serverNames.begin(), serverNames.end(), LocalName(record)) !=
                          serverNames.end();
    }
}

CRecordStore::CRecordStore(Links links) : m_shared(std::make_shared<Shared>(std::move(links))) {
    std::shared_ptr<Shared> shared = m_shared;
    m_shared->worker = std::thread([shared] { shared->RunWorker(); });
}

CRecordStore::~CRecordStore() {
    m_shared->cancel = true;
    {
        std::lock_guard<std::mutex> guard(m_shared->queueLock);
        m_shared->stopping = true;
    }
    m_shared->wake.notify_all();
    // Destroyed from its own scanFinished: the worker ends by itself and keeps what it uses.
    if (m_shared->worker.get_id() == std::this_thread::get_id())
        m_shared->worker.detach();
    else
        m_shared->worker.join();
}

void CRecordStore::StartScan(const QString& opusFolder, const QString& rootFolder) {
    unsigned scanGeneration = 0;
    {
        std::lock_guard<std::mutex> guard(m_shared->lock);
        scanGeneration = m_shared->generation;
    }
    ++m_shared->scansPending;
    Shared* shared = m_shared.get(); // the worker's task runs while the worker holds it
    m_shared->Post([shared, opusFolder, rootFolder,
                    scanGeneration] { shared->Scan(opusFolder, rootFolder, scanGeneration); },
                   false);
}

bool CRecordStore::IsScanning() const {
    return m_shared->scansPending.load() > 0;
}

void CRecordStore::Clear() {
    std::lock_guard<std::mutex> guard(m_shared->lock);
    m_shared->server.clear();
    m_shared->local.clear();
    m_shared->seenNames.clear();
    m_shared->serverNames.clear();
    ++m_shared->generation;
}

void CRecordStore::ReplaceServerRecords(std::vector<RecordItem> records) {
    std::lock_guard<std::mutex> guard(m_shared->lock);
    m_shared->server = std::move(records);
    m_shared->RecomputeOnServerLocked();
}

std::vector<RecordItem> CRecordStore::ServerRecords() const {
    std::lock_guard<std::mutex> guard(m_shared->lock);
    return m_shared->server;
}

std::optional<RecordItem> CRecordStore::ServerRecord(int index) const {
    std::lock_guard<std::mutex> guard(m_shared->lock);
    if (index < 0 || static_cast<std::size_t>(index) >= m_shared->server.size())
        return std::nullopt;
    return m_shared->server[static_cast<std::size_t>(index)];
}

bool CRecordStore::SetServerRecord(int index, const RecordItem& record) {
    std::lock_guard<std::mutex> guard(m_shared->lock);
    if (index < 0 || static_cast<std::size_t>(index) >= m_shared->server.size())
        return false;
    m_shared->server[static_cast<std::size_t>(index)] = record;
    return true;
}

std::vector<RecordItem> CRecordStore::LocalRecords() const {
    std::lock_guard<std::mutex> guard(m_shared->lock);
    return m_shared->local;
}

std::optional<RecordItem> CRecordStore::LocalRecord(int index) const {
    std::lock_guard<std::mutex> guard(m_shared->lock);
    if (index < 0 || static_cast<std::size_t>(index) >= m_shared->local.size())
        return std::nullopt;
    return m_shared->local[static_cast<std::size_t>(index)];
}

bool CRecordStore::SetLocalRecord(int index, const RecordItem& record) {
    std::lock_guard<std::mutex> guard(m_shared->lock);
    if (index < 0 || static_cast<std::size_t>(index) >= m_shared->local.size())
        return false;
    m_shared->local[static_cast<std::size_t>(index)] = record;
    return true;
}

bool CRecordStore::RemoveLocalRecord(int index) {
    QString opusPath;
    {
        std::lock_guard<std::mutex> guard(m_shared->lock);
        auto& local = m_shared->local;
        if (index < 0 || static_cast<std::size_t>(index) >= local.size())
            return false;
        const RecordItem record = local[static_cast<std::size_t>(index)];
        local.erase(local.begin() + index);
        auto& seen = m_shared->seenNames;
        auto own = std::find(seen.begin(), seen.end(), LocalName(record));
        if (own != seen.end())
            seen.erase(own);
        opusPath = QString::fromStdString(record.opusPath);
        if (!opusPath.isEmpty())
            m_shared->doomedOpusFiles.insert(opusPath);
    }
    if (opusPath.isEmpty())
        return true;
    // Deleting on a slow stick must not hold up the caller (the UI thread).
    Shared* shared = m_shared.get();
    m_shared->Post(
        [shared, opusPath] {
            if (QFileInfo::exists(opusPath) && !QFile::remove(opusPath))
                shared->Log(QStringLiteral("records: %1 cannot be deleted").arg(opusPath));
            std::lock_guard<std::mutex> guard(shared->lock);
            shared->doomedOpusFiles.erase(opusPath);
        },
        true);
    return true;
}

void CRecordStore::RefreshOnServerFlags() {
    std::lock_guard<std::mutex> guard(m_shared->lock);
    m_shared->RecomputeOnServerLocked();
}

QString FindRecorderDrive() {
    for (const platform::Volume& volume : platform::RemovableVolumes()) {
        if (!OpusFilesIn(volume.mount).isEmpty())
            return volume.mount;
    }
    return QString();
}
