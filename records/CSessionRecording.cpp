#include "records/CSessionRecording.h"

#include "records/ConvertPcmToWav.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QtEndian>

#include <cerrno>
#include <cstring>

namespace {

constexpr int kMaxNameAttempts = 1000;
const char kByteOrderMark[] = {'\xFF', '\xFE'};

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Created only when no file of that name exists ("x"), so an earlier set is never truncated.
std::FILE* CreateNew(const QString& path) {
    return std::fopen(QFile::encodeName(path).constData(), "wbx");
}

QByteArray Utf16Le(const QString& text) {
    QByteArray bytes(text.size() * 2, Qt::Uninitialized);
    for (int i = 0; i < text.size(); ++i)
        qToLittleEndian<quint16>(text.at(i).unicode(), bytes.data() + 2 * i);
    return bytes;
}

QString SystemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

struct CSessionRecording::Set {
    QString base; // folder and NAME
    std::shared_ptr<std::FILE> audio;
    std::unique_ptr<std::FILE, FileCloser> text;
    bool finalResult = false;
};

struct CSessionRecording::Worker {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> done;
};

CSessionRecording::CSessionRecording(Links links) : m_links(std::move(links)) {}

CSessionRecording::~CSessionRecording() {
    std::shared_ptr<Set> open;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_shuttingDown = true;
        open = std::move(m_open);
    }
    m_finalResult.notify_all();
    if (open) {
        if (m_links.setRecordingFile)
            m_links.setRecordingFile(nullptr);
        open->audio.reset();
        Finish(std::move(open), false);
    }
    WaitForFinishedSets();
}

QString CSessionRecording::BaseName(const QDateTime& time, int attempt) {
    const QString stamp = time.toString(QStringLiteral("yyyy_MM_dd_HH_mm_ss"));
    return attempt <= 1 ? stamp : stamp + QStringLiteral("_%1").arg(attempt);
}

QString CSessionRecording::Folder() const {
    QString folder = m_links.saveFolder ? m_links.saveFolder() : QString();
    if (folder.isEmpty())
        return m_links.defaultFolder;
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

bool CSessionRecording::Start() {
    std::shared_ptr<Set> previous;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        previous = std::move(m_open);
        // A set still waiting for its final result is complete now: the texts that come from
        // here on belong to the new session.
        m_closing.reset();
    }
    m_finalResult.notify_all();
    if (previous) {
        if (m_links.setRecordingFile)
            m_links.setRecordingFile(nullptr);
        previous->audio.reset();
        Finish(std::move(previous), false);
    }

    const QString folder = Folder();
    if (!QDir().mkpath(folder)) {
        Log(QStringLiteral("subtitle session not saved: folder %1 cannot be made").arg(folder));
        return false;
    }
    const QDateTime now = m_links.now ? m_links.now() : QDateTime::currentDateTime();
    std::shared_ptr<Set> set = OpenSet(folder, now);
    if (!set)
        return false;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_open = set;
        m_lastBasePath = set->base;
    }
    if (m_links.setRecordingFile)
        m_links.setRecordingFile(set->audio);
    return true;
}

std::shared_ptr<CSessionRecording::Set> CSessionRecording::OpenSet(const QString& folder,
                                                                   const QDateTime& time) {
    for (int attempt = 1; attempt <= kMaxNameAttempts; ++attempt) {
        const QString base = folder + BaseName(time, attempt);
        if (QFile::exists(base + QStringLiteral(".pcm")) ||
            QFile::exists(base + QStringLiteral(".txt")) ||
            QFile::exists(base + QStringLiteral(".wav")))
            continue;
        std::FILE* audio = CreateNew(base + QStringLiteral(".pcm"));
        if (audio == nullptr) {
            if (errno == EEXIST)
                continue;
            Log(QStringLiteral("subtitle session not saved: %1.pcm: %2")
                    .arg(base, SystemError(errno)));
            return nullptr;
        }
        std::FILE* text = CreateNew(base + QStringLiteral(".txt"));
        if (text == nullptr) {
            const int error = errno;
            std::fclose(audio);
            QFile::remove(base + QStringLiteral(".pcm"));
            if (error == EEXIST)
                continue;
            Log(QStringLiteral("subtitle session not saved: %1.txt: %2")
                    .arg(base, SystemError(error)));
            return nullptr;
        }
        auto set = std::make_shared<Set>();
        set->base = base;
        set->audio = std::shared_ptr<std::FILE>(audio, FileCloser());
        set->text.reset(text);
        std::fwrite(kByteOrderMark, 1, sizeof kByteOrderMark, text);
        std::fflush(text);
        return set;
    }
    Log(QStringLiteral("subtitle session not saved: every name of %1 in %2 is taken")
            .arg(BaseName(time, 1), folder));
    return nullptr;
}

void CSessionRecording::Stop() {
    std::shared_ptr<Set> set;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        set = std::move(m_open);
    }
    if (!set)
        return;
    // The capture lets go of the file before it is closed, so no block lands in a closed file.
    if (m_links.setRecordingFile)
        m_links.setRecordingFile(nullptr);
    set->audio.reset();
    Finish(std::move(set), true);
}

void CSessionRecording::Finish(std::shared_ptr<Set> set, bool waitForFinalResult) {
    if (waitForFinalResult) {
        std::lock_guard<std::mutex> guard(m_lock);
        m_closing = set;
    }
    auto done = std::make_shared<std::atomic<bool>>(false);
    std::thread worker([this, set, waitForFinalResult, done] {
        {
            std::unique_lock<std::mutex> lock(m_lock);
            if (waitForFinalResult) {
                m_finalResult.wait_for(lock, kFinalResultWait, [&] {
                    return set->finalResult || m_shuttingDown || m_closing != set;
                });
                if (m_closing == set)
                    m_closing.reset();
            }
            set->text.reset();
        }
        WriteWav(set->base);
        done->store(true);
    });
    ReapFinishedWorkers();
    m_workers.push_back(Worker{std::move(worker), std::move(done)});
}

// The WAV gets its name only once complete, so whoever sees NAME.wav sees all of it.
void CSessionRecording::WriteWav(const QString& base) const {
    const QString wav = base + QStringLiteral(".wav");
    const QString partial = wav + QStringLiteral(".part");
    if (ConvertPcmToWav(base + QStringLiteral(".pcm"), kChannels, kSampleRate, partial) != 0 ||
        !QFile::rename(partial, wav))
        Log(QStringLiteral("subtitle session %1 could not be written").arg(wav));
}

void CSessionRecording::ReapFinishedWorkers() {
    for (auto it = m_workers.begin(); it != m_workers.end();) {
        if (it->done->load()) {
            it->thread.join();
            it = m_workers.erase(it);
        } else {
            ++it;
        }
    }
}

void CSessionRecording::AppendText(const QString& text) {
    if (text.isEmpty())
        return;
    const QByteArray bytes = Utf16Le(text);
    std::lock_guard<std::mutex> guard(m_lock);
    Set* target = m_open ? m_open.get() : m_closing.get();
    if (target == nullptr || !target->text)
        return;
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), target->text.get());
    // Each sentence is on disk as it comes: a crash loses no more than the one being spoken.
    std::fflush(target->text.get());
}

void CSessionRecording::OnFinalResult() {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (!m_closing)
            return;
        m_closing->finalResult = true;
    }
    m_finalResult.notify_all();
}

bool CSessionRecording::IsOpen() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_open != nullptr;
}

QString CSessionRecording::LastBasePath() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_lastBasePath;
}

void CSessionRecording::WaitForFinishedSets() {
    for (Worker& worker : m_workers)
        worker.thread.join();
    m_workers.clear();
}

void CSessionRecording::Log(const QString& line) const {
    if (m_links.log)
        m_links.log(line);
}
