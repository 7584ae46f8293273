#include "platform/linux/QtAudioPlayer.h"

#include "platform/linux/CTaskReceiver.h"

#include <QAudioOutput>
#include <QBuffer>
#include <QFileInfo>
#include <QMediaPlayer>
#include <QUrl>

#include <future>
#include <memory>

namespace platform::native {

namespace {
// The media stack picks its demuxer from the name when it reads from a device.
QUrl NameHintFor(const QByteArray& bytes) {
    if (bytes.startsWith("RIFF"))
        return QUrl(QStringLiteral("speech.wav"));
    return QUrl(QStringLiteral("speech.mp3"));
}
} // namespace

QtAudioPlayer::QtAudioPlayer() {
    m_thread.setObjectName(QStringLiteral("audio player"));
    m_thread.start();
    m_home = new CTaskReceiver;
    m_home->moveToThread(&m_thread);
    Run([this] { MakePlayer(); });
}

QtAudioPlayer::~QtAudioPlayer() {
    Run([this] {
        m_player->stop();
        delete m_home; // takes the player, the output and the buffer with it
        m_home = nullptr;
    });
    m_thread.quit();
    m_thread.wait();
}

template <class Work> void QtAudioPlayer::Post(Work work) {
    CTaskReceiver::Post(m_home, std::move(work));
}

template <class Work> void QtAudioPlayer::Run(Work work) {
    if (QThread::currentThread() == &m_thread) {
        work();
        return;
    }
    // The wait is on our own promise, so the work's effects are ordered before the return for
    // every observer, the thread sanitizer included.
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> finished = done->get_future();
    CTaskReceiver::Post(m_home, [work = std::move(work), done]() mutable {
        work();
        done->set_value();
    });
    finished.wait();
}

void QtAudioPlayer::MakePlayer() {
    m_player = new QMediaPlayer(m_home);
    m_output = new QAudioOutput(m_home);
    m_player->setAudioOutput(m_output);
    QObject::connect(m_player, &QMediaPlayer::mediaStatusChanged, m_home,
                     [this](QMediaPlayer::MediaStatus status) {
                         if (status == QMediaPlayer::EndOfMedia)
                             Finished();
                         else if (status == QMediaPlayer::InvalidMedia)
                             Failed("invalid media");
                     });
    QObject::connect(
        m_player, &QMediaPlayer::errorOccurred, m_home,
        [this](QMediaPlayer::Error, const QString& text) { Failed(text.toStdString()); });
    QObject::connect(m_player, &QMediaPlayer::positionChanged, m_home, [this](qint64 position) {
        m_position = position;
        std::lock_guard<std::mutex> guard(m_listenerLock);
        if (m_listener.positionChanged)
            m_listener.positionChanged(position);
    });
    QObject::connect(m_player, &QMediaPlayer::durationChanged, m_home, [this](qint64 duration) {
        m_duration = duration;
        std::lock_guard<std::mutex> guard(m_listenerLock);
        if (m_listener.durationChanged)
            m_listener.durationChanged(duration);
    });
}

void QtAudioPlayer::Finished() {
    std::lock_guard<std::mutex> guard(m_listenerLock);
    if (m_listener.finished)
        m_listener.finished();
}

void QtAudioPlayer::Failed(const std::string& reason) {
    std::lock_guard<std::mutex> guard(m_listenerLock);
    if (m_listener.failed)
        m_listener.failed(reason);
}

void QtAudioPlayer::SetListener(Listener listener) {
    std::lock_guard<std::mutex> guard(m_listenerLock);
    m_listener = std::move(listener);
}

void QtAudioPlayer::DropSource() {
    m_player->stop();
    m_player->setSourceDevice(nullptr);
    m_player->setSource(QUrl());
    delete m_buffer;
    m_buffer = nullptr;
    m_position = 0;
    m_duration = 0;
}

bool QtAudioPlayer::OpenBytes(QByteArray bytes, PlaybackSource) {
    if (bytes.isEmpty())
        return false;
    Run([this, bytes = std::move(bytes)] {
        DropSource();
        const QUrl hint = NameHintFor(bytes);
        m_buffer = new QBuffer(m_home);
        m_buffer->setData(bytes);
        m_buffer->open(QIODevice::ReadOnly);
        m_player->setSourceDevice(m_buffer, hint);
    });
    return true;
}

bool QtAudioPlayer::OpenFile(const QString& path) {
    const QFileInfo file(path);
    if (!file.isFile() || !file.isReadable())
        return false;
    Run([this, url = QUrl::fromLocalFile(file.absoluteFilePath())] {
        DropSource();
        m_player->setSource(url);
    });
    return true;
}

bool QtAudioPlayer::OpenUrl(const QString& address) {
    const QUrl url(address, QUrl::StrictMode);
    if (!IsHttpAddress(address) || !url.isValid() || url.host().isEmpty())
        return false;
    Run([this, url] {
        DropSource();
        m_player->setSource(url);
    });
    return true;
}

void QtAudioPlayer::Play() {
    Post([this] { m_player->play(); });
}

void QtAudioPlayer::Pause() {
    Post([this] { m_player->pause(); });
}

void QtAudioPlayer::Stop() {
    Post([this] { m_player->stop(); });
}

void QtAudioPlayer::Seek(std::int64_t positionMs) {
    Post([this, positionMs] { m_player->setPosition(positionMs); });
}

void QtAudioPlayer::SetRate(double rate) {
    Post([this, rate] { m_player->setPlaybackRate(rate); });
}

} // namespace platform::native
