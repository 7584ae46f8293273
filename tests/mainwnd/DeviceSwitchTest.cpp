#include "app/CConfig.h"
#include "app/CWndManager.h"
#include "device/CDeviceLink.h"
#include "device/DeviceState.h"
#include "mainwnd/CMainWnd.h"
#include "sim/SimWorldProcess.h"
#include "speech/CAudioEndpoints.h"
#include "ui/framework/WindowConstants.h"

#include <QApplication>
#include <QComboBox>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include <json/reader.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <sstream>

namespace {

using namespace std::chrono_literals;

const char* const kEnterMouse = "Enter MouseProc...\n";
const char* const kEnterBtMouse = "Enter BTMouseProc...\n";
const char* const kLeaveBtMouse = "Leave BTMouseProc...\n";
const char* const kLeaveMouse = "Leave MouseProc...\n";
const char* const kEnterPen = "Enter LpProcProc...\n";

// The world's events since a sequence number.
std::vector<Json::Value> EventsSince(int64_t since) {
    std::string out;
    SimWorldProcess::Run("events --since " + std::to_string(since), &out);
    std::vector<Json::Value> events;
    std::istringstream lines(out);
    std::string line;
    Json::CharReaderBuilder builder;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    while (std::getline(lines, line)) {
        Json::Value event;
        if (reader->parse(line.data(), line.data() + line.size(), &event, nullptr))
            events.push_back(event);
    }
    return events;
}

int CountDebug(const std::vector<Json::Value>& events, const char* text) {
    int count = 0;
    for (const Json::Value& e : events)
        count += e["kind"].asString() == "debug" && e["text"].asString() == text;
    return count;
}

// The id of the last microphone made the default, empty when none was.
std::string LastDefaultMicrophone(const std::vector<Json::Value>& events) {
    std::string id;
    for (const Json::Value& e : events) {
        if (e["kind"].asString() == "audio_default")
            id = e["id"].asString();
    }
    return id;
}

// The program as CApp puts it together, on the simulator back ends, with no recognition
// engine (nothing of it is looked at here).
class RunningMainWnd {
public:
    RunningMainWnd() : m_config(std::make_shared<CConfig>(m_dir.path() + "/")) {
        m_config->Set(ConfigKey::RecognitionEngine, QStringLiteral("ms"));
        m_devices = std::make_unique<CDeviceLink>(m_config);
        m_devices->ScanPresentDevices();
        CMainWnd::Parts parts;
        parts.config = m_config;
        parts.devices = m_devices.get();
        parts.wndManager = &m_wndManager;
        parts.audioEndpoints = &m_endpoints;
        m_window = std::make_unique<CMainWnd>(std::move(parts));
        m_window->Create(nullptr, QStringLiteral("MainWnd"), ui::WS_CAPTION | ui::WS_SYSMENU, 0);
    }
    ~RunningMainWnd() { m_window.reset(); }

    QComboBox* Chooser() const {
        return m_window->GetHWND()->findChild<QComboBox*>(QStringLiteral("device_com"));
    }
    int Page() const {
        return m_window->GetHWND()
            ->findChild<QStackedWidget*>(QStringLiteral("main_tablayout"))
            ->currentIndex();
    }

    DeviceState& State() { return m_devices->State(); }

private:
    QTemporaryDir m_dir;
    std::shared_ptr<CConfig> m_config;
    std::unique_ptr<CDeviceLink> m_devices;
    CWndManager m_wndManager;
    CAudioEndpoints m_endpoints;
    std::unique_ptr<CMainWnd> m_window;
};

// One thing the user does, or one state to wait for, in a switching sequence.
struct Step {
    enum class Type { WaitFor, Choose, Key, Wheel };
    Type type;
    // WaitFor: a debug text and how many times it has been written since the start.
    const char* text = nullptr;
    int count = 1;
    int value = 0; // Choose: chooser row; Key: Qt key; Wheel: angle
};

Step WaitFor(const char* text, int count = 1) {
    return {Step::Type::WaitFor, text, count};
}
Step Choose(int row) {
    return {Step::Type::Choose, nullptr, 0, row};
}
Step Key(int key) {
    return {Step::Type::Key, nullptr, 0, key};
}
Step Wheel(int angle) {
    return {Step::Type::Wheel, nullptr, 0, angle};
}

struct SwitchCase {
    const char* name;
    std::vector<std::string> plug; // velmora-sim plug arguments
    std::vector<Step> steps;
    int chooserRow;           // current row at the end
    const char* microphone;   // default microphone at the end
    int running;              // the one kind whose thread runs at the end
    const char* neverEntered; // a thread that must not have started, or nullptr
};

void PrintTo(const SwitchCase& c, std::ostream* os) {
    *os << c.name;
}

class DeviceSwitch : public ::testing::TestWithParam<SwitchCase> {
protected:
    void TearDown() override {
        m_window.reset();
        for (const char* kind : {"mouse", "btmouse", "pen"})
            while (SimWorldProcess::Run(std::string("unplug ") + kind + " 2>/dev/null") == 0) {
            }
    }

    // Spins the event loop (the thread starts are timers) until the text was written count
    // times since the start of the case.
    bool WaitForDebug(const char* text, int count) {
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        while (std::chrono::steady_clock::now() < deadline) {
            QApplication::processEvents(QEventLoop::AllEvents, 50);
            if (CountDebug(EventsSince(m_start), text) >= count)
                return true;
        }
        return false;
    }

    void Run(const Step& step) {
        QComboBox* chooser = m_window->Chooser();
        switch (step.type) {
        case Step::Type::WaitFor:
            ASSERT_TRUE(WaitForDebug(step.text, step.count)) << step.text << " x" << step.count;
            break;
        case Step::Type::Choose:
            chooser->setCurrentIndex(step.value);
            break;
        case Step::Type::Key:
            QTest::keyClick(chooser, static_cast<Qt::Key>(step.value));
            break;
        case Step::Type::Wheel: {
            QWheelEvent wheel(QPointF(5, 5), chooser->mapToGlobal(QPoint(5, 5)), QPoint(),
                              QPoint(0, step.value), Qt::NoButton, Qt::NoModifier,
                              Qt::NoScrollPhase, false);
            QApplication::sendEvent(chooser, &wheel);
            break;
        }
        }
    }

    int64_t m_start = 0;
    std::unique_ptr<RunningMainWnd> m_window;
};

TEST_P(DeviceSwitch, OnlyTheChosenKindsThreadRuns) {
    const SwitchCase& c = GetParam();
    const auto before = EventsSince(0);
    m_start = before.empty() ? 0 : before.back()["seq"].asInt64();
    for (const std::string& args : c.plug)
        ASSERT_EQ(SimWorldProcess::Run("plug " + args), 0) << args;
    m_window = std::make_unique<RunningMainWnd>();
    for (const Step& step : c.steps) {
        Run(step);
        if (HasFatalFailure())
            return;
    }
    QApplication::processEvents();
    const auto events = EventsSince(m_start);
    EXPECT_EQ(m_window->Chooser()->currentIndex(), c.chooserRow);
    EXPECT_EQ(m_window->Page(), c.chooserRow);
    EXPECT_EQ(LastDefaultMicrophone(events), c.microphone);
    // A thread that started reads as running until told to stop (the ones that end by
    // themselves have ended before the sequence goes on).
    EXPECT_EQ(!m_window->State().mouseStop, c.running == kDeviceMouse);
    EXPECT_EQ(!m_window->State().penStop, c.running == kDevicePen);
    if (c.neverEntered) {
        EXPECT_EQ(CountDebug(events, c.neverEntered), 0) << c.neverEntered;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, DeviceSwitch,
    ::testing::Values(
        // The initial selection runs the choice: the mouse's microphone becomes the default.
        // The rows of absent kinds cannot be reached from the keyboard or the wheel.
        SwitchCase{"HiddenRowsStayOutOfReach",
                   {"mouse"},
                   {WaitFor(kEnterMouse), Key(Qt::Key_Down), Key(Qt::Key_End), Wheel(-120)},
                   0,
                   "sim.dravel",
                   kDeviceMouse,
                   kEnterPen},
        // The Bluetooth model's reader ends at once; choosing the pen still starts the pen's.
        SwitchCase{"PenAfterTheBluetoothMouse",
                   {"btmouse", "pen"},
                   {WaitFor(kLeaveBtMouse), Choose(1), WaitFor(kEnterPen)},
                   1,
                   "sim.lunrik",
                   kDevicePen,
                   nullptr},
        // Catalogue entry 7 is present but never opened: its reader ends at once as well.
        SwitchCase{"PenAfterAMouseThatCannotBeOpened",
                   {"mouse --vid 1915 --pid 0085", "pen"},
                   {WaitFor(kLeaveMouse), Choose(1), WaitFor(kEnterPen)},
                   1,
                   "sim.lunrik",
                   kDevicePen,
                   nullptr},
        // Mouse, pen and mouse again before the switch pause is over: the pen's pending start
        // finds the mouse chosen and gives way; the mouse's thread runs again.
        SwitchCase{"QuickMousePenMouse",
                   {"mouse", "pen"},
                   {WaitFor(kEnterMouse), Choose(1), Choose(0), WaitFor(kEnterMouse, 2)},
                   0,
                   "sim.dravel",
                   kDeviceMouse,
                   kEnterPen},
        // And back to the pen: the mouse's start gives way in turn.
        SwitchCase{"QuickPenMousePen",
                   {"mouse", "pen"},
                   {WaitFor(kEnterMouse), Choose(1), Choose(0), Choose(1), WaitFor(kEnterPen)},
                   1,
                   "sim.lunrik",
                   kDevicePen,
                   nullptr}),
    [](const ::testing::TestParamInfo<SwitchCase>& info) { return info.param.name; });

} // namespace
