// The playback window driven through its controls, over a scripted player.
#include "ScriptedPlayer.h"
#include "support/LogCapture.h"

#include "records/CVoiceWnd.h"
#include "records/RecordWindowArgument.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QSlider>
#include <QThread>
#include <QVariantMap>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

// Runs the event loop until the condition holds; false after 30 s (a hang guard, not a time).
bool WaitUntil(const std::function<bool()>& condition) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > 30000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return true;
}

RecordItem LocalRecord(const std::string& wav) {
    RecordItem record;
    record.attr1 = wav;
    record.filename = "pen.0001.wav";
    return record;
}

class VoiceWndTest : public testing::Test {
protected:
    CVoiceWnd* Open(bool local, std::optional<RecordItem> record) {
        CVoiceWnd::Links links;
        links.makePlayer = [script = m_script] { return std::make_unique<ScriptedPlayer>(script); };
        links.debug = [debug = m_debug](const QString& text) { debug->push_back(text); };
        auto* window = new CVoiceWnd(local, std::move(record), links);
        window->SetAutoDelete(true);
        window->Create(nullptr, window->GetWindowClassName(), 0x96C80000u, 0);
        m_window = window;
        return window;
    }
    CVoiceWnd* OpenLocal(std::int64_t durationMs = 10000) {
        m_script->duration = durationMs;
        return Open(true, LocalRecord("/records/wav/pen.wav"));
    }

    void Click(const char* control) {
        auto* button = m_window->FindControlAs<QAbstractButton>(QLatin1String(control));
        ASSERT_NE(button, nullptr) << control;
        ASSERT_TRUE(button->isVisible()) << control << " is hidden";
        button->click();
    }

    // The calls made since the window opened, without the opening ones.
    std::vector<std::string> CallsSince(std::size_t first) {
        const auto calls = m_script->Calls();
        return std::vector<std::string>(calls.begin() + static_cast<long>(first), calls.end());
    }

    std::vector<QString> Debug() const { return *m_debug; }

    void TearDown() override {
        if (m_window)
            m_window->Close();
        ASSERT_TRUE(WaitUntil([this] { return m_window.isNull(); }));
    }

    std::shared_ptr<PlayerScript> m_script = std::make_shared<PlayerScript>();
    std::shared_ptr<std::vector<QString>> m_debug = std::make_shared<std::vector<QString>>();
    QPointer<CVoiceWnd> m_window;
};

// Catches a window that waits for a click before playing, loses the title rule or the source,
// or shows the wrong length.
TEST_F(VoiceWndTest, OpeningPlaysTheRecordAndShowsItsLength) {
    CVoiceWnd* window = OpenLocal(3723000);
    EXPECT_EQ(m_script->Calls(), (std::vector<std::string>{"file /records/wav/pen.wav", "play"}));
    EXPECT_EQ(window->GetControlText(QStringLiteral("recordname")), QStringLiteral("pen.0001.wav"));
    EXPECT_EQ(window->GetControlText(QStringLiteral("alltime")), QStringLiteral("01:02:03"));
    EXPECT_TRUE(window->HasTimer(CVoiceWnd::kProgressTimer));
    EXPECT_FALSE(window->IsControlVisible(QStringLiteral("play")));
    EXPECT_TRUE(window->IsControlVisible(QStringLiteral("pause")));
    auto* slider = window->FindControlAs<QSlider>(QStringLiteral("progress"));
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(slider->maximum(), 1000);
    auto* speed = window->FindControlAs<QComboBox>(QStringLiteral("combo_speed"));
    ASSERT_NE(speed, nullptr);
    EXPECT_EQ(speed->count(), 4);
}

// Catches a server record titled with its extension or played as a file path.
TEST_F(VoiceWndTest, AServerRecordIsTitledUpToItsFirstDotAndStreamedFromItsAddress) {
    RecordItem record;
    record.attr1 = "https://files.example/rec/77.wav";
    record.filename = "meeting.2024.wav";
    record.id = 77;
    CVoiceWnd* window = Open(false, record);
    EXPECT_EQ(m_script->Calls(),
              (std::vector<std::string>{"url https://files.example/rec/77.wav", "play"}));
    EXPECT_EQ(window->GetControlText(QStringLiteral("recordname")), QStringLiteral("meeting"));
}

// Catches a length that stays 00:00:00 when the player learns it after opening (a stream).
TEST_F(VoiceWndTest, ALengthLearntLaterIsShown) {
    CVoiceWnd* window = OpenLocal(0);
    EXPECT_EQ(window->GetControlText(QStringLiteral("alltime")), QStringLiteral("00:00:00"));
    m_script->AnnounceDuration(65000);
    EXPECT_TRUE(WaitUntil([&] {
        return window->GetControlText(QStringLiteral("alltime")) == QStringLiteral("00:01:05");
    }));
}

// Catches buttons that do not reach the player, a timer left running while paused, a second
// play while playing, or a stop that leaves the window without a way to play again.
TEST_F(VoiceWndTest, PlayPauseAndStopDriveThePlayerAndTheButtons) {
    CVoiceWnd* window = OpenLocal();
    const std::size_t opened = m_script->Calls().size();
    Click("pause");
    EXPECT_FALSE(window->HasTimer(CVoiceWnd::kProgressTimer));
    EXPECT_TRUE(window->IsControlVisible(QStringLiteral("play")));
    EXPECT_FALSE(window->IsControlVisible(QStringLiteral("pause")));
    Click("play");
    EXPECT_TRUE(window->HasTimer(CVoiceWnd::kProgressTimer));
    EXPECT_FALSE(window->IsControlVisible(QStringLiteral("play")));
    m_script->position = 4000;
    Click("stop");
    EXPECT_FALSE(window->HasTimer(CVoiceWnd::kProgressTimer));
    EXPECT_EQ(window->GetValue(QStringLiteral("progress")), 0);
    EXPECT_EQ(m_script->position, 0);
    Click("play");
    EXPECT_EQ(CallsSince(opened),
              (std::vector<std::string>{"pause", "play", "stop", "seek 0", "play"}));
}

struct SkipCase {
    std::int64_t position;
    const char* button;
    std::int64_t expected;
};

class VoiceWndSkipTest : public VoiceWndTest, public testing::WithParamInterface<SkipCase> {};

// Catches a skip past the end or before the start, or one of the wrong size.
TEST_P(VoiceWndSkipTest, SkipsOneSecondWithinTheSound) {
    OpenLocal(10000);
    m_script->position = GetParam().position;
    const std::size_t opened = m_script->Calls().size();
    Click(GetParam().button);
    EXPECT_EQ(CallsSince(opened),
              (std::vector<std::string>{"seek " + std::to_string(GetParam().expected)}));
}

INSTANTIATE_TEST_SUITE_P(Buttons, VoiceWndSkipTest,
                         testing::Values(SkipCase{3000, "fast", 4000},
                                         SkipCase{9500, "fast", 10000},
                                         SkipCase{10000, "fast", 10000},
                                         SkipCase{3000, "rewind", 2000}, SkipCase{500, "rewind", 0},
                                         SkipCase{0, "rewind", 0}));

// Catches a drag that seeks to the wrong place, and a window whose own slider updates seek
// (each timer tick would then pull the sound back to a rounded position).
TEST_F(VoiceWndTest, DraggingTheSliderSeeksButTheTimersUpdatesDoNot) {
    CVoiceWnd* window = OpenLocal(8000);
    auto* slider = window->FindControlAs<QSlider>(QStringLiteral("progress"));
    ASSERT_NE(slider, nullptr);
    std::size_t opened = m_script->Calls().size();
    slider->setSliderDown(true);
    slider->setSliderPosition(250);
    slider->setSliderDown(false);
    EXPECT_EQ(CallsSince(opened), (std::vector<std::string>{"seek 2000"}));

    opened = m_script->Calls().size();
    m_script->position = 6000;
    ASSERT_TRUE(WaitUntil([&] { return window->GetValue(QStringLiteral("progress")) == 750; }));
    ASSERT_TRUE(WaitUntil([&] {
        return window->GetControlText(QStringLiteral("playtime")) == QStringLiteral("00:00:06");
    }));
    EXPECT_TRUE(CallsSince(opened).empty());
}

struct SpeedCase {
    int item;
    const char* rate;
};

class VoiceWndSpeedTest : public VoiceWndTest, public testing::WithParamInterface<SpeedCase> {};

// Catches a speed table off by one item.
TEST_P(VoiceWndSpeedTest, EachSpeedItemSetsItsRate) {
    CVoiceWnd* window = OpenLocal();
    auto* speed = window->FindControlAs<QComboBox>(QStringLiteral("combo_speed"));
    ASSERT_NE(speed, nullptr);
    speed->setCurrentIndex(3 - GetParam().item); // a change even for item 0
    const std::size_t before = m_script->Calls().size();
    speed->setCurrentIndex(GetParam().item);
    EXPECT_EQ(CallsSince(before),
              (std::vector<std::string>{std::string("rate ") + GetParam().rate}));
}

INSTANTIATE_TEST_SUITE_P(Items, VoiceWndSpeedTest,
                         testing::Values(SpeedCase{0, "1"}, SpeedCase{1, "1.25"},
                                         SpeedCase{2, "1.5"}, SpeedCase{3, "2"}));

TEST(VoiceWndRates, ItemsOutsideTheListPlayAtNormalSpeed) {
    EXPECT_EQ(CVoiceWnd::RateOfSpeedItem(-1), 1.0);
    EXPECT_EQ(CVoiceWnd::RateOfSpeedItem(4), 1.0);
    EXPECT_EQ(CVoiceWnd::RateOfSpeedItem(2), 1.5);
}

// Catches an end of the sound left playing, a slider put back to 0, or a missing debug line.
TEST_F(VoiceWndTest, TheEndStopsRewindsAndLeavesTheSliderAtItsEnd) {
    CVoiceWnd* window = OpenLocal(5000);
    const std::size_t opened = m_script->Calls().size();
    m_script->position = 5000;
    m_script->Finish();
    ASSERT_TRUE(WaitUntil([&] { return !Debug().empty(); }));
    EXPECT_EQ(Debug(), (std::vector<QString>{QStringLiteral("stop\n")}));
    EXPECT_EQ(CallsSince(opened), (std::vector<std::string>{"stop", "seek 0"}));
    EXPECT_EQ(m_script->position, 0);
    EXPECT_EQ(window->GetValue(QStringLiteral("progress")), 1000);
    EXPECT_FALSE(window->HasTimer(CVoiceWnd::kProgressTimer));
    EXPECT_TRUE(window->IsControlVisible(QStringLiteral("play")));
    EXPECT_FALSE(window->IsControlVisible(QStringLiteral("pause")));
    // Played again from the start.
    Click("play");
    EXPECT_EQ(CallsSince(opened).back(), "play");
}

enum class Failure { OpenRefused, ReportedLater, NoRecord };

class VoiceWndFailureTest : public VoiceWndTest, public testing::WithParamInterface<Failure> {};

// Catches a failed source shown with a length, failing silently, or a window that cannot be
// closed afterwards.
TEST_P(VoiceWndFailureTest, ASourceThatCannotBeOpenedShowsZeroTimesAndCloses) {
    LogCapture log;
    CVoiceWnd* window = nullptr;
    switch (GetParam()) {
    case Failure::OpenRefused:
        m_script->openSucceeds = false;
        window = OpenLocal(4000);
        break;
    case Failure::ReportedLater:
        window = OpenLocal(4000);
        m_script->Fail("no decoder");
        m_script->Fail("no decoder"); // a player may report one failure twice
        break;
    case Failure::NoRecord:
        window = Open(true, std::nullopt);
        break;
    }
    ASSERT_TRUE(WaitUntil([&] { return !Debug().empty(); }));
    QCoreApplication::processEvents();
    EXPECT_EQ(Debug(), (std::vector<QString>{QStringLiteral("play failed\n")}));
    EXPECT_EQ(window->GetControlText(QStringLiteral("alltime")), QStringLiteral("00:00:00"));
    EXPECT_FALSE(window->HasTimer(CVoiceWnd::kProgressTimer));
    EXPECT_EQ(log.Warnings().size(), 1u);
    Click("close");
    EXPECT_TRUE(WaitUntil([this] { return m_window.isNull(); }));
}

INSTANTIATE_TEST_SUITE_P(Ways, VoiceWndFailureTest,
                         testing::Values(Failure::OpenRefused, Failure::ReportedLater,
                                         Failure::NoRecord));

// Catches an event of a player that outlives its window reaching freed memory.
TEST_F(VoiceWndTest, EventsAfterTheWindowClosedAreDropped) {
    OpenLocal();
    auto listener = std::make_shared<platform::IAudioPlayer::Listener>();
    {
        std::lock_guard<std::mutex> guard(m_script->lock);
        *listener = m_script->listener;
    }
    m_window->Close();
    ASSERT_TRUE(WaitUntil([this] { return m_window.isNull(); }));
    listener->finished();
    listener->durationChanged(10);
    QCoreApplication::processEvents();
    EXPECT_TRUE(Debug().empty());
}

struct TimeCase {
    std::int64_t ms;
    const char* text;
};

class VoiceWndTimeTest : public testing::TestWithParam<TimeCase> {};

// Catches minutes not wrapped at 60, rounding up, or a negative time shown.
TEST_P(VoiceWndTimeTest, TimesAreHoursMinutesSeconds) {
    EXPECT_EQ(CVoiceWnd::FormatTime(GetParam().ms), QLatin1String(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(Times, VoiceWndTimeTest,
                         testing::Values(TimeCase{0, "00:00:00"}, TimeCase{999, "00:00:00"},
                                         TimeCase{59999, "00:00:59"}, TimeCase{60000, "00:01:00"},
                                         TimeCase{3723000, "01:02:03"},
                                         TimeCase{360000000, "100:00:00"},
                                         TimeCase{-5000, "00:00:00"}));

// Catches a request argument read with the wrong keys or types as some other record.
TEST(RecordWindowArgumentTest, RoundTripsAndRejectsMalformedMaps) {
    const RecordWindowArgument local =
        RecordWindowArgument::FromVariant(RecordWindowArgument{true, 3}.ToVariant());
    EXPECT_TRUE(local.local);
    EXPECT_EQ(local.index, 3);
    const RecordWindowArgument server =
        RecordWindowArgument::FromVariant(RecordWindowArgument{false, 0}.ToVariant());
    EXPECT_FALSE(server.local);
    EXPECT_EQ(server.index, 0);
    const QVariant malformed[] = {
        QVariant(),
        QVariant(5),
        QVariantMap{{QStringLiteral("local"), true}},
        QVariantMap{{QStringLiteral("local"), QStringLiteral("yes")}, {QStringLiteral("index"), 1}},
        QVariantMap{{QStringLiteral("local"), true},
                    {QStringLiteral("index"), QStringLiteral("1")}},
    };
    for (const QVariant& argument : malformed)
        EXPECT_EQ(RecordWindowArgument::FromVariant(argument).index, -1)
            << argument.toString().toStdString();
}

} // namespace
