#include "platform/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>

#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {
constexpr int kWakeUpTimeoutMs = 1000;
// "1025 0 514\n" and its like: a longer line is not a wake-up.
constexpr qint64 kMaxLineBytes = 64;

// Channel names come from a settings file: keep only a safe token for file and socket names.
QString SafeToken(const QString& channelName) {
    QByteArray hash = QCryptographicHash::hash(channelName.toUtf8(), QCryptographicHash::Sha1);
    return QStringLiteral("velmora-") + QString::fromLatin1(hash.toHex().left(16));
}

// A real folder (not a link) that belongs to this user and that nobody else may enter.
bool IsPrivateFolder(const QByteArray& path) {
    struct stat info {};
    if (::lstat(path.constData(), &info) != 0 || !S_ISDIR(info.st_mode) ||
        info.st_uid != ::getuid())
        return false;
    if ((info.st_mode & 077) == 0)
        return true;
    return ::chmod(path.constData(), 0700) == 0;
}

bool MakePrivateFolder(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    ::mkdir(native.constData(), 0700);
    return IsPrivateFolder(native);
}

QString RuntimeDirectory() {
    const QString xdg = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!xdg.isEmpty() && QFileInfo(xdg).isDir())
        return xdg;
    const QString user = QString::number(::getuid());
    const QString inTemp = QDir::tempPath() + QStringLiteral("/velmora-") + user;
    if (MakePrivateFolder(inTemp))
        return inTemp;
    // Another account took the name in the shared temporary folder.
    const QString inHome = QDir::homePath() + QStringLiteral("/.velmora-runtime-") + user;
    MakePrivateFolder(inHome);
    return inHome;
}

QByteArray WakeUpLine(const SingleInstance::WakeUp& wakeUp) {
    return QByteArray::number(wakeUp.msg) + ' ' + QByteArray::number(qulonglong(wakeUp.wParam)) +
           ' ' + QByteArray::number(qlonglong(wakeUp.lParam)) + '\n';
}
} // namespace

SingleInstance::SingleInstance(const QString& channelName, const WakeUp& wakeUp)
    : m_channelName(channelName), m_wakeUp(wakeUp) {}

SingleInstance::~SingleInstance() {
    if (m_server)
        m_server->close();
}

QString SingleInstance::LockPathFor(const QString& channelName) {
    return RuntimeDirectory() + QLatin1Char('/') + SafeToken(channelName) + QStringLiteral(".lock");
}

QString SingleInstance::SocketPathFor(const QString& channelName) {
    return RuntimeDirectory() + QLatin1Char('/') + SafeToken(channelName) + QStringLiteral(".sock");
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
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    const QString path = SocketPathFor(m_channelName);
    QLocalServer::removeServer(path); // a socket file left by a crashed owner
    if (!m_server->listen(path)) {
        m_listenProblem = QStringLiteral("wake-up channel: cannot listen on %1: %2")
                              .arg(path, m_server->errorString());
        return true;
    }
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::AcceptConnections);
    return true;
}

bool SingleInstance::SendWakeUp() {
    QLocalSocket socket;
    socket.connectToServer(SocketPathFor(m_channelName));
    if (!socket.waitForConnected(kWakeUpTimeoutMs))
        return false;
    socket.write(WakeUpLine(m_wakeUp));
    const bool sent = socket.waitForBytesWritten(kWakeUpTimeoutMs);
    socket.disconnectFromServer();
    return sent;
}

void SingleInstance::SetWakeHandler(std::function<void()> onWakeUp,
                                    std::function<void(const QString&)> onRefused) {
    m_onWakeUp = std::move(onWakeUp);
    m_onRefused = std::move(onRefused);
}

void SingleInstance::AcceptConnections() {
    while (QLocalSocket* client = m_server->nextPendingConnection()) {
        connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        connect(client, &QLocalSocket::readyRead, this, [this, client] { ReadWakeUp(client); });
    }
}

// One message per connection: the first line decides, and the connection ends after it.
void SingleInstance::ReadWakeUp(QLocalSocket* client) {
    if (!client->canReadLine()) {
        if (client->bytesAvailable() > kMaxLineBytes)
            Refuse(client);
        return;
    }
    const QByteArray line = client->readLine(kMaxLineBytes + 1);
    if (!IsWakeUp(line)) {
        Refuse(client);
        return;
    }
    disconnect(client, nullptr, this, nullptr);
    client->disconnectFromServer();
    if (m_onWakeUp)
        m_onWakeUp();
}

bool SingleInstance::IsWakeUp(const QByteArray& line) const {
    return line == WakeUpLine(m_wakeUp);
}

void SingleInstance::Refuse(QLocalSocket* client) {
    disconnect(client, nullptr, this, nullptr);
    client->disconnectFromServer();
    if (m_refusalReported)
        return;
    m_refusalReported = true;
    // The sender is any process of this user: its bytes are not repeated here.
    if (m_onRefused)
        m_onRefused(
            QStringLiteral("wake-up channel: a message that is not the wake-up was dropped"));
}

} // namespace platform
