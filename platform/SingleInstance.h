#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

class QLocalServer;
class QLocalSocket;
class QLockFile;

namespace platform {

// One running instance per channel name: a lock file owned by the first instance and a local
// socket on which it listens for the wake-up of later instances. Stands in for a named mutex
// plus a message posted to the running instance's window.
//
// Both live in a folder of this user alone: $XDG_RUNTIME_DIR, or else a 0700 folder of the
// user under the temporary directory (or in the home folder when that name is taken), so no
// other account can hold a lock or leave a socket that stops the wake-up. The socket carries
// exactly one message, the wake-up given at construction; anything else is dropped.
//
// Thread: the thread that runs the event loop. Lifetime: the lock and the socket are released
// when the object goes.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // The wake-up message: a window message number and its two parameters.
    struct WakeUp {
        unsigned msg;
        uintptr_t wParam;
        intptr_t lParam;
    };

    SingleInstance(const QString& channelName, const WakeUp& wakeUp);
    ~SingleInstance() override;

    // True when this process now owns the channel. False when another process does.
    bool Acquire();
    // Empty while wake-ups can reach this owner; otherwise why they cannot (for the log).
    QString ListenProblem() const { return m_listenProblem; }

    // Sends the wake-up to the instance that owns the channel; false if none answers.
    bool SendWakeUp();

    // Accepted wake-ups are handed to `onWakeUp` on the event loop's thread. The first message
    // that is not the wake-up is reported to `onRefused` (once: a flood cannot fill a log).
    void SetWakeHandler(std::function<void()> onWakeUp,
                        std::function<void(const QString& problem)> onRefused = nullptr);

    static QString LockPathFor(const QString& channelName);
    static QString SocketPathFor(const QString& channelName);

private:
    void AcceptConnections();
    void ReadWakeUp(QLocalSocket* client);
    bool IsWakeUp(const QByteArray& line) const;
    void Refuse(QLocalSocket* client);

    QString m_channelName;
    WakeUp m_wakeUp;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
    QString m_listenProblem;
    std::function<void()> m_onWakeUp;
    std::function<void(const QString&)> m_onRefused;
    bool m_refusalReported = false;
};

} // namespace platform
