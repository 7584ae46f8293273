#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QLocalServer;
class QLockFile;

namespace platform {

// One running instance per channel name: a lock file owned by the first instance and a local
// socket on which it listens for wake-ups from later instances. Stands in for a named mutex
// plus a message posted to the running instance's window.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // The wake-up a second instance sends: a window message number and its two parameters.
    using WakeHandler = std::function<void(unsigned msg, uintptr_t wParam, intptr_t lParam)>;

    explicit SingleInstance(const QString& channelName);
    ~SingleInstance() override;

    // True when this process now owns the channel. False when another process does.
    bool Acquire();

    // Sends a wake-up message to the instance that owns the channel; false if none answers.
    bool SendWakeUp(unsigned msg, uintptr_t wParam, intptr_t lParam);

    // Wake-ups received while this process owns the channel are handed to the handler on the
    // thread that runs the event loop.
    void SetWakeHandler(WakeHandler handler);

    static QString LockPathFor(const QString& channelName);
    static QString SocketNameFor(const QString& channelName);

private:
    void ReadWakeUps();

    QString m_channelName;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
    WakeHandler m_handler;
};

} // namespace platform
