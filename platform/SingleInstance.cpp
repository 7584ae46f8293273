#include "platform/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>

namespace platform {

namespace {
// Channel names come from a settings file: keep only a safe token for file and socket names.
QString SafeToken(const QString& channelName) {
    QByteArray hash = QCryptographicHash::hash(channelName.toUtf8(), QCryptographicHash::Sha1);
    return QStringLiteral("velmora-") + QString::fromLatin1(hash.toHex().left(16));
}

QString RuntimeDirectory() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return dir;
}

constexpr int kWakeUpTimeoutMs = 1000;
} // namespace

SingleInstance::SingleInstance(const QString& channelName) : m_channelName(channelName) {}

SingleInstance::~SingleInstance() {
    if (m_server)
        m_server->close();
}

QString SingleInstance::LockPathFor(const QString& channelName) {
    return RuntimeDirectory() + QLatin1Char('/') + SafeToken(channelName) + QStringLiteral(".lock");
}

QString SingleInstance::SocketNameFor(const QString& channelName) {
    return SafeToken(channelName);
}

bool SingleInstance::Acquire() {
    m_lock = std::make_unique<QLockFile>(LockPathFor(m_channelName));
    // A lock left by a crashed instance is detected through its process id and taken over.
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(0)) {
        m_lock.reset();
        return false;
    }
    m_server = new QLocalServer(this);
    const QString name = SocketNameFor(m_channelName);
    QLocalServer::removeServer(name); // a socket file left by a crashed owner
    m_server->listen(name);
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::ReadWakeUps);
    return true;
}

bool SingleInstance::SendWakeUp(unsigned msg, uintptr_t wParam, intptr_t lParam) {
    QLocalSocket socket;
    socket.connectToServer(SocketNameFor(m_channelName));
    if (!socket.waitForConnected(kWakeUpTimeoutMs))
        return false;
    const QByteArray line = QByteArray::number(msg) + ' ' + QByteArray::number(qulonglong(wParam)) +
                            ' ' + QByteArray::number(qlonglong(lParam)) + '\n';
    socket.write(line);
    const bool sent = socket.waitForBytesWritten(kWakeUpTimeoutMs);
    socket.disconnectFromServer();
    return sent;
}

void SingleInstance::SetWakeHandler(WakeHandler handler) {
    m_handler = std::move(handler);
}

void SingleInstance::ReadWakeUps() {
    while (QLocalSocket* client = m_server->nextPendingConnection()) {
        connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        connect(client, &QLocalSocket::readyRead, this, [this, client] {
            while (client->canReadLine()) {
                const QList<QByteArray> parts = client->readLine(64).trimmed().split(' ');
                bool okMsg = false, okW = false, okL = false;
                if (parts.size() != 3)
                    continue;
                const unsigned msg = parts[0].toUInt(&okMsg);
                const qulonglong wParam = parts[1].toULongLong(&okW);
                const qlonglong lParam = parts[2].toLongLong(&okL);
                if (okMsg && okW && okL && m_handler)
                    m_handler(msg, static_cast<uintptr_t>(wParam), static_cast<intptr_t>(lParam));
            }
        });
    }
}

} // namespace platform
