#pragma once

#include <QDateTime>
#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

// The files of one subtitle session (the pen's record key with saving on): the microphone
// audio as NAME.pcm, every final ("apd") text as NAME.txt (UTF-16LE with a byte-order mark),
// and NAME.wav made from the audio once the session is over. NAME is the local start time,
// "%Y_%m_%d_%H_%M_%S", with "_2", "_3"... when a set of that name exists already, so an
// earlier set is never overwritten.
//
// Start and Stop run on the main window's thread (messages 1159 and 1160); AppendText and
// OnFinalResult come from recognition threads. Stop closes the audio at once; the text stays
// open for the session's final result (at most kFinalResultWait), then the WAV is written on a
// worker thread, so the caller never waits for either. Destruction waits for those workers.
class CSessionRecording {
public:
    using RecordingFileSink = std::function<void(std::shared_ptr<std::FILE>)>;

    struct Links {
        // The pen page's save folder text; empty (or no pen page) means defaultFolder.
        std::function<QString()> saveFolder;
        // Used when saveFolder gives nothing; ends with "/".
        QString defaultFolder;
        // Hands the audio file to the capture, which appends every block to it; null takes
        // it back (the capture no longer writes it once the call returns).
        RecordingFileSink setRecordingFile;
        // Local time; the clock when null.
        std::function<QDateTime()> now;
        // One line for the log.
        std::function<void(const QString&)> log;
    };

    static constexpr std::chrono::milliseconds kFinalResultWait{3000};
    static constexpr int kSampleRate = 16000;
    static constexpr int kChannels = 1;

    explicit CSessionRecording(Links links);
    ~CSessionRecording();
    CSessionRecording(const CSessionRecording&) = delete;
    CSessionRecording& operator=(const CSessionRecording&) = delete;

    // Opens a new set; a set still open (or still waiting for its text) is finished first.
    // False, with one log line and no files, when the folder or the files cannot be made.
    bool Start();
    // Ends the open set; nothing happens without one.
    void Stop();
    // Appends text to the text file of the set that takes texts now (the open one, or the one
    // waiting for its final result); nothing without one.
    void AppendText(const QString& text);
    // The session's final result has been appended: a stopped set's text is complete.
    void OnFinalResult();

    bool IsOpen() const;
    // Base path (folder and NAME, no extension) of the latest set; empty before the first.
    QString LastBasePath() const;
    // Waits until every finished set has its WAV (same thread as Start and Stop).
    void WaitForFinishedSets();

    // "%Y_%m_%d_%H_%M_%S" of the time, then "_N" from the second set of that name on.
    static QString BaseName(const QDateTime& time, int attempt);

private:
    struct Set;
    struct Worker;

    QString Folder() const;
    std::shared_ptr<Set> OpenSet(const QString& folder, const QDateTime& time);
    // Closes the text (after the final result when asked to wait) and writes the WAV, on a
    // worker thread.
    void Finish(std::shared_ptr<Set> set, bool waitForFinalResult);
    void WriteWav(const QString& base) const;
    void ReapFinishedWorkers();
    void Log(const QString& line) const;

    Links m_links;
    mutable std::mutex m_lock;
    std::condition_variable m_finalResult;
    std::shared_ptr<Set> m_open;    // recording
    std::shared_ptr<Set> m_closing; // audio closed, text waiting for the final result
    QString m_lastBasePath;
    bool m_shuttingDown = false;
    std::list<Worker> m_workers; // Start, Stop and destruction only
};
