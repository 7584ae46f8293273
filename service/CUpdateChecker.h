#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <string>

// What one update check needs to know, read on the caller's thread when it starts.
struct UpdateSettings {
    std::string updateBase;    // update server base address, ends with "/"
    std::string channelName;   // distribution channel, UTF-8
    std::string clientVersion; // this program's version, UTF-8
    QString uiLanguage;        // "lan_cn", "lan_en", ... : the language of the boxes
    QString resourceFolder;    // holds update.ini and contact/contact.png; created; ends "/"
    QString downloadFolder;    // receives the package (the current directory); ends "/"
};

// What the checker asks of the program around it. Any of them may be called from a worker
// thread unless said otherwise; none is called once the checker is destroyed.
struct UpdateLinks {
    std::function<UpdateSettings()> settings; // on the thread that starts a check
    std::function<void(const QString& line)> log;
    // Asks the user whether to install (OK/Cancel box); onAnswer(true) for OK, on the UI
    // thread. The check counts as running until the answer.
    std::function<void(const QString& text, std::function<void(bool install)> onAnswer)> ask;
    // Shows a box with only an OK button.
    std::function<void(const QString& text)> tell;
    // Hands the package (a file URL) to the desktop's package installer as a document; true
    // when the desktop took it. Called on the UI thread.
    std::function<bool(const QString& fileUrl)> openPackage;
    // Ends the program through its normal shutdown, exit code 0. Called on the UI thread.
    std::function<void()> quit;
};

// The update check and the contact picture refresh. The server holds, under the update base:
// CHANNEL/update.txt (one line, the current version), CHANNEL/CHANNEL.deb and
// CHANNEL/CHANNEL.deb.sha256 (sha256sum format), CHANNEL/contact.png.
//
// A newer version is installed only after its package matched the published SHA-256 and the
// user said OK; the package is handed to the desktop, never run by this program. Downloads
// run on detached threads that share the checker's state, so the checker may be destroyed
// while one is still in flight (it then reports nothing more).
class CUpdateChecker {
public:
    explicit CUpdateChecker(UpdateLinks links);
    ~CUpdateChecker();
    CUpdateChecker(const CUpdateChecker&) = delete;
    CUpdateChecker& operator=(const CUpdateChecker&) = delete;

    // Starts a check on a detached thread and returns at once. asked: the user pressed an
    // update button, so the "failed" and "already current" outcomes are shown too. Only one
    // check runs at a time: while one runs (question included) this starts nothing, returns
    // false, and an asked call makes the running check show its outcome.
    bool StartUpdateCheck(bool asked);
    // Refreshes contact/contact.png on a detached thread; a failed download keeps the old one.
    void StartContactRefresh();
    // True from StartUpdateCheck until that check is over (the user answered its question).
    bool IsChecking() const;

    // 1 when a is newer than b, -1 when older, 0 when equal, compared segment by segment
    // ("1.0.10" > "1.0.9", "1.1" > "1.0.5", "1.0.5\n" == "1.0.5"); numbers are read the same
    // in every locale. Nothing when a segment is longer than 31 characters.
    static std::optional<int> CompareVersions(const std::string& a, const std::string& b);

    struct State;

private:
    std::shared_ptr<State> m_state;
};
