#include "records/CVoiceWnd.h"

#include "app/Log.h"
#include "platform/DebugChannel.h"
#include "ui/framework/WindowMessage.h"

#include <QAbstractSlider>

#include <algorithm>
#include <deque>
#include <mutex>
#include <string>

namespace {
const QString kProgress = QStringLiteral("progress");
const QString kPlay = QStringLiteral("play");
const QString kPause = QStringLiteral("pause");
const QString kPlayTime = QStringLiteral("playtime");
const QString kAllTime = QStringLiteral("alltime");
const QString kRecordName = QStringLiteral("recordname");
const QString kStop = QStringLiteral("stop");
const QString kFast = QStringLiteral("fast");
const QString kRewind = QStringLiteral("rewind");
const QString kSpeed = QStringLiteral("combo_speed");
const QString kClose = QStringLiteral("close");

// Event codes of the player's events, as a media graph numbers them.
enum class PlayerEventCode : long { Complete = 1, ErrorAbort = 3, LengthChanged = 0x1F };

constexpr std::int64_t kSkipMs = 1000;

bool Is(const QString& senderName, const QString& control) {
    return senderName.compare(control, Qt::CaseInsensitive) == 0;
}
} // namespace

// Filled by the player's thread, emptied by the window on message 4390; shared so that a late
// event of a player that is going away never touches a freed queue.
struct CVoiceWnd::PlayerEvents {
    struct Event {
        PlayerEventCode code;
        std::string reason;
    };
    std::mutex lock;
    std::deque<Event> pending;

    void Push(WindowImplBase* window, Event event) {
        {
            std::lock_guard<std::mutex> guard(lock);
            pending.push_back(std::move(event));
        }
        PostMessage(window, kPlayerEventMessage, 0, 0);
    }

    std::deque<Event> TakeAll() {
        std::lock_guard<std::mutex> guard(lock);
        std::deque<Event> taken;
        taken.swap(pending);
        return taken;
    }
};

CVoiceWnd::CVoiceWnd(bool local, std::optional<RecordItem> record, Links links)
    : m_local(local), m_record(std::move(record)), m_links(std::move(links)),
      m_events(std::make_shared<PlayerEvents>()) {
    if (!m_links.makePlayer)
        m_links.makePlayer = [] { return platform::CreateAudioPlayer(); };
    if (!m_links.debug)
        m_links.debug = [](const QString& text) { platform::OutputDebug(text); };
}

CVoiceWnd::~CVoiceWnd() {
    m_player.reset();
}

double CVoiceWnd::RateOfSpeedItem(int index) {
    switch (index) {
    case 1:
        return 1.25;
    case 2:
        return 1.5;
    case 3:
        return 2.0;
    default:
        return 1.0;
    }
}

QString CVoiceWnd::FormatTime(std::int64_t milliseconds) {
    const std::int64_t seconds = std::max<std::int64_t>(0, milliseconds) / 1000;
    return QString::asprintf("%.2d:%.2d:%.2d", static_cast<int>(seconds / 3600),
                             static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
}

QString CVoiceWnd::TitleOf(const RecordItem& record, bool local) {
    const QString name = QString::fromStdString(record.filename);
    return local ? name : name.section(QLatin1Char('.'), 0, 0);
}

void CVoiceWnd::InitWindow() {
    SetRange(kProgress, 0, kSliderMaximum);
    SetSlider(0);
    if (m_record)
        SetControlText(kRecordName, TitleOf(*m_record, m_local));
    MakePlayer();
    if (!OpenSource()) {
        OnFailed(QStringLiteral("the source cannot be opened"));
        return;
    }
    if (!m_playing) {
        m_player->Play();
        SetTimer(kProgressTimer, kProgressPeriodMs);
        ShowPlayButton(false);
        m_playing = true;
    }
    ShowDuration();
}

void CVoiceWnd::OnFinalMessage() {
    KillTimer(kProgressTimer);
    m_player.reset();
}

void CVoiceWnd::MakePlayer() {
    m_player = m_links.makePlayer();
    platform::IAudioPlayer::Listener listener;
    std::weak_ptr<PlayerEvents> events = m_events;
    WindowImplBase* window = this;
    // Only hand-overs here: the listener runs on the player's thread.
    auto push = [events, window](PlayerEventCode code, std::string reason) {
        if (auto queue = events.lock())
            queue->Push(window, {code, std::move(reason)});
    };
    listener.finished = [push] { push(PlayerEventCode::Complete, std::string()); };
    listener.failed = [push](const std::string& reason) {
        push(PlayerEventCode::ErrorAbort, reason);
    };
    listener.durationChanged = [push](std::int64_t) {
        push(PlayerEventCode::LengthChanged, std::string());
    };
    m_player->SetListener(std::move(listener));
}

bool CVoiceWnd::OpenSource() {
    if (!m_record || !m_player)
        return false;
    const QString source = QString::fromStdString(m_record->attr1);
    if (source.isEmpty())
        return false;
    if (platform::IsHttpAddress(source))
        return m_player->OpenUrl(source);
    return m_player->OpenFile(source);
}

void CVoiceWnd::Notify(const TNotifyUI& msg) {
    if (msg.sType == ui::notify::kMoveValueChanged && Is(msg.senderName, kProgress)) {
        if (!m_settingSlider)
            SeekToSlider(static_cast<int>(msg.wParam));
        return;
    }
    if (msg.sType == ui::notify::kItemSelect && Is(msg.senderName, kSpeed)) {
        ChooseSpeed(static_cast<int>(msg.wParam));
        return;
    }
    WindowImplBase::Notify(msg);
}

void CVoiceWnd::OnClick(const TNotifyUI& msg) {
    const QString& name = msg.senderName;
    if (Is(name, kPlay))
        Play();
    else if (Is(name, kPause))
        Pause();
    else if (Is(name, kStop))
        Stop();
    else if (Is(name, kFast))
        Skip(kSkipMs);
    else if (Is(name, kRewind))
        Skip(-kSkipMs);
    else if (Is(name, kClose))
        Close();
}

void CVoiceWnd::Play() {
    if (m_playing || m_failed || !m_player)
        return;
    m_player->Play();
    SetTimer(kProgressTimer, kProgressPeriodMs);
    ShowPlayButton(false);
    m_playing = true;
}

void CVoiceWnd::Pause() {
    if (!m_player)
        return;
    m_player->Pause();
    KillTimer(kProgressTimer);
    ShowPlayButton(true);
    m_playing = false;
}

void CVoiceWnd::Stop() {
    if (!m_player)
        return;
    m_player->Stop();
    m_player->Seek(0);
    KillTimer(kProgressTimer);
    SetSlider(0);
    SetControlText(kPlayTime, FormatTime(0));
    // Stopped, the only way on is play: it is shown, or the window would be stuck.
    ShowPlayButton(true);
    m_playing = false;
}

void CVoiceWnd::Skip(std::int64_t deltaMs) {
    if (!m_player || m_failed)
        return;
    const std::int64_t duration = m_player->DurationMs();
    if (duration <= 0)
        return; // nothing to skip through before the length is known
    const std::int64_t target =
        std::clamp<std::int64_t>(m_player->PositionMs() + deltaMs, 0, duration);
    m_player->Seek(target);
    ShowProgress();
}

void CVoiceWnd::SeekToSlider(int value) {
    if (!m_player || m_failed)
        return;
    const std::int64_t duration = m_player->DurationMs();
    if (duration <= 0)
        return;
    const int clamped = std::clamp(value, 0, kSliderMaximum);
    m_player->Seek(static_cast<std::int64_t>(static_cast<double>(clamped) / kSliderMaximum *
                                             static_cast<double>(duration)));
    SetControlText(kPlayTime, FormatTime(m_player->PositionMs()));
}

void CVoiceWnd::ChooseSpeed(int index) {
    if (m_player)
        m_player->SetRate(RateOfSpeedItem(index));
}

void CVoiceWnd::OnTimer(unsigned id) {
    if (id == kProgressTimer)
        ShowProgress();
}

void CVoiceWnd::ShowProgress() {
    if (!m_player)
        return;
    const std::int64_t position = m_player->PositionMs();
    const std::int64_t duration = m_player->DurationMs();
    const auto* slider = FindControlAs<QAbstractSlider>(kProgress);
    const bool dragged = slider != nullptr && slider->isSliderDown();
    if (duration > 0 && !dragged)
        SetSlider(static_cast<int>(std::min<std::int64_t>(position, duration) * kSliderMaximum /
                                   duration));
    SetControlText(kPlayTime, FormatTime(position));
}

void CVoiceWnd::ShowDuration() {
    SetControlText(kAllTime, FormatTime(m_player && !m_failed ? m_player->DurationMs() : 0));
}

intptr_t CVoiceWnd::HandleCustomMessage(unsigned msg, uintptr_t wParam, intptr_t lParam,
                                        bool& handled) {
    if (msg != kPlayerEventMessage)
        return WindowImplBase::HandleCustomMessage(msg, wParam, lParam, handled);
    handled = true;
    TakePlayerEvents();
    return 0;
}

void CVoiceWnd::TakePlayerEvents() {
    for (const PlayerEvents::Event& event : m_events->TakeAll()) {
        switch (event.code) {
        case PlayerEventCode::Complete:
            OnComplete();
            break;
        case PlayerEventCode::ErrorAbort:
            OnFailed(QString::fromStdString(event.reason));
            break;
        case PlayerEventCode::LengthChanged:
            ShowDuration();
            break;
        }
    }
}

void CVoiceWnd::OnComplete() {
    if (!m_player || m_failed)
        return;
    Debug(QStringLiteral("stop\n"));
    m_player->Stop();
    m_player->Seek(0);
    KillTimer(kProgressTimer);
    SetSlider(kSliderMaximum);
    ShowPlayButton(true);
    m_playing = false;
}

void CVoiceWnd::OnFailed(const QString& reason) {
    if (m_failed)
        return; // one failure may be reported more than once
    m_failed = true;
    m_playing = false;
    KillTimer(kProgressTimer);
    if (m_player)
        m_player->Stop();
    SetSlider(0);
    SetControlText(kPlayTime, FormatTime(0));
    SetControlText(kAllTime, FormatTime(0));
    ShowPlayButton(true);
    Debug(QStringLiteral("play failed\n"));
    // A server record's address may carry access tokens: only its id goes to the log.
    const QString what =
        !m_record ? QStringLiteral("a record that does not exist")
        : m_local ? QStringLiteral("local record %1").arg(QString::fromStdString(m_record->attr1))
                  : QStringLiteral("server record %1").arg(m_record->id);
    applog::Warning(QStringLiteral("Playback of %1 failed: %2").arg(what, reason));
}

void CVoiceWnd::ShowPlayButton(bool show) {
    SetControlVisible(kPlay, show);
    SetControlVisible(kPause, !show);
}

void CVoiceWnd::SetSlider(int value) {
    m_settingSlider = true;
    SetValue(kProgress, value);
    m_settingSlider = false;
}

void CVoiceWnd::Debug(const QString& text) const {
    m_links.debug(text);
}
