#pragma once

#include "platform/IAudioPlayer.h"
#include "records/RecordItem.h"
#include "ui/framework/WindowImplBase.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

// The playback window of one record (skin "voicewnd.xml"): title, progress slider, elapsed and
// total time, play, pause, stop, one-second skips and the speed choice, over a media player.
// The player's events (end of the sound, failure, length known) are queued by the player's
// thread and reach the window as message 4390, so everything else runs on the UI thread. The
// player goes with the window. A record that is missing or a source that cannot be opened shows
// zero times, writes "play failed\n" to the debug channel and one log line; close still works.
class CVoiceWnd : public WindowImplBase {
    Q_OBJECT
public:
    static constexpr unsigned kPlayerEventMessage = 4390;
    static constexpr unsigned kProgressTimer = 100;
    static constexpr int kProgressPeriodMs = 100;
    static constexpr int kSliderMaximum = 1000;

    struct Links {
        // Makes the player; platform::CreateAudioPlayer when empty.
        std::function<std::unique_ptr<platform::IAudioPlayer>()> makePlayer;
        // Lines for developers; platform::OutputDebug when empty.
        std::function<void(const QString&)> debug;
    };

    // `local`: a local record (its title is the whole file name) or a server record (the name
    // up to its first "."). `record` is empty when the index named no record.
    CVoiceWnd(bool local, std::optional<RecordItem> record, Links links = Links());
    ~CVoiceWnd() override;

    QString GetWindowClassName() const override { return QStringLiteral("VoiceWnd"); }
    QString GetSkinFile() const override { return QStringLiteral("voicewnd.xml"); }

    // The rate of a `combo_speed` item: 1.0, 1.25, 1.5, 2.0; any other index plays at 1.0.
    static double RateOfSpeedItem(int index);
    // Whole seconds as "%.2d:%.2d:%.2d" (hours, minutes, seconds).
    static QString FormatTime(std::int64_t milliseconds);
    static QString TitleOf(const RecordItem& record, bool local);

protected:
    void InitWindow() override;
    void OnFinalMessage() override;
    void Notify(const TNotifyUI& msg) override;
    void OnClick(const TNotifyUI& msg) override;
    intptr_t HandleCustomMessage(unsigned msg, uintptr_t wParam, intptr_t lParam,
                                 bool& handled) override;
    void OnTimer(unsigned id) override;

private:
    struct PlayerEvents;

    void MakePlayer();
    bool OpenSource();
    void Play();
    void Pause();
    void Stop();
    void Skip(std::int64_t deltaMs);
    void SeekToSlider(int value);
    void ChooseSpeed(int index);
    void ShowProgress();
    void ShowDuration();
    void TakePlayerEvents();
    void OnComplete();
    void OnFailed(const QString& reason);
    void ShowPlayButton(bool show);
    void SetSlider(int value);
    void Debug(const QString& text) const;

    bool m_local;
    std::optional<RecordItem> m_record;
    Links m_links;
    std::unique_ptr<platform::IAudioPlayer> m_player;
    std::shared_ptr<PlayerEvents> m_events;
    bool m_playing = false;
    bool m_failed = false;
    bool m_settingSlider = false; // the slider moves because the window moves it
};
