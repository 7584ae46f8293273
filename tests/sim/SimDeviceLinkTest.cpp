#include "SimWorldProcess.h"
#include "app/CConfig.h"
#include "device/CDeviceLink.h"
#include "platform/sim/SimClient.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <json/reader.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <sstream>

namespace {

using namespace std::chrono_literals;

struct Posted {
    unsigned msg;
    uintptr_t wParam;
    bool operator==(const Posted& o) const { return msg == o.msg && wParam == o.wParam; }
};
std::ostream& operator<<(std::ostream& os, const Posted& p) {
    return os << "{" << p.msg << "," << p.wParam << "}";
}

std::vector<std::string> DebugTexts(const std::vector<Json::Value>& events) {
    std::vector<std::string> texts;
    for (const Json::Value& event : events) {
        if (event["kind"].asString() == "debug")
            texts.push_back(event["text"].asString());
    }
    return texts;
}

bool Contains(const std::vector<std::string>& texts, const std::string& text) {
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

// Every reading thread says goodbye on the debug channel as the last thing it does.
size_t EndedThreads(const std::vector<Json::Value>& events) {
    size_t ended = 0;
    for (const std::string& text : DebugTexts(events))
        ended += text.rfind("Leave ", 0) == 0 ? 1 : 0;
    return ended;
}

int64_t SeqOf(const std::string& eventLine) {
    Json::Value event;
    std::istringstream(eventLine) >> event;
    return event["seq"].asInt64();
}

// The device link of this process on the simulator back ends, with a recording poster.
// Every device a test plugs is unplugged again afterwards.
class SimDeviceLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        startSeq = SimWorldProcess::LastSeq();
        config = std::make_shared<CConfig>(dir.path() + "/");
        link = std::make_unique<CDeviceLink>(config);
        link->SetPoster([this](unsigned msg, uintptr_t wParam, intptr_t) {
            std::lock_guard<std::mutex> guard(lock);
            posted.push_back({msg, wParam});
            changed.notify_all();
        });
    }
    void TearDown() override {
        link->StopWatching();
        link->StopReadingThread(kDeviceMouse);
        link->StopReadingThread(kDevicePen);
        for (const char* kind : {"mouse", "mouse5698", "btmouse", "pen", "recorder"})
            while (SimWorldProcess::Run(std::string("unplug ") + kind + " 2>/dev/null") == 0) {
            }
        // The reading threads are detached and post into this fixture: it may only go once
        // each of them has ended.
        EXPECT_TRUE(SimWorldProcess::WaitForEvents(
            startSeq,
            [this](const auto& events) { return EndedThreads(events) >= threadsStarted; }))
            << threadsStarted << " reading threads did not end";
    }

    void StartReading(int kind) {
        ++threadsStarted;
        link->StartReadingThread(kind);
    }

    void Sim(const std::string& args) { ASSERT_EQ(SimWorldProcess::Run(args), 0) << args; }

    bool WaitFor(Posted message, std::chrono::milliseconds limit = 30s) {
        std::unique_lock<std::mutex> guard(lock);
        return changed.wait_for(guard, limit, [&] {
            return std::find(posted.begin(), posted.end(), message) != posted.end();
        });
    }
    std::vector<Posted> Messages() {
        std::lock_guard<std::mutex> guard(lock);
        return posted;
    }

    int64_t startSeq = 0;
    size_t threadsStarted = 0;
    QTemporaryDir dir;
    std::shared_ptr<CConfig> config;
    std::unique_ptr<CDeviceLink> link;
    std::mutex lock;
    std::condition_variable changed;
    std::vector<Posted> posted;
};

TEST_F(SimDeviceLinkTest, StartupScanStoresThePluggedMouse) {
    Sim("plug mouse --serial S1");
    Sim("plug recorder");
    link->ScanPresentDevices();
    EXPECT_EQ(config->GetVid(), "6352");
    EXPECT_EQ(config->GetPid(), "C098");
    EXPECT_EQ(config->GetSn(), "S1");
    EXPECT_TRUE(link->State().mousePresent);
    EXPECT_TRUE(link->State().recorderPresent);
    EXPECT_FALSE(link->State().penPresent);
}

TEST_F(SimDeviceLinkTest, HotPlugPostsPresenceButNotForTheBluetoothModel) {
    ASSERT_TRUE(link->StartWatching());
    Sim("plug btmouse");
    Sim("plug pen --serial P7");
    ASSERT_TRUE(WaitFor({1126, 1}));
    Sim("unplug btmouse");
    Sim("unplug pen");
    ASSERT_TRUE(WaitFor({1126, 0}));
    const std::vector<Posted> expected = {{1126, 1}, {1126, 0}};
    EXPECT_EQ(Messages(), expected);
    EXPECT_EQ(config->GetLpSn(), "P7");
}

TEST_F(SimDeviceLinkTest, MouseThreadTurnsReportsIntoMessages) {
    Sim("plug mouse --serial S1");
    link->ScanPresentDevices();
    StartReading(kDeviceMouse);
    // Key "!" held for ten reports of a generation 1, sensor 2 mouse at resolution code 37.
    for (int i = 0; i < 10; ++i)
        Sim("report mouse 0a0000002521000a");
    Sim("report mouse 0a0000002522000a");
    ASSERT_TRUE(WaitFor({1128, 0}));
    const std::vector<Posted> expected = {{1127, 0}, {1131, 1}, {1132, 0}, {1128, 0}};
    EXPECT_EQ(Messages(), expected);
    EXPECT_EQ(config->GetType(), "v9");
    EXPECT_EQ(config->GetPhotoIC(), "3212");
    EXPECT_EQ(config->GetDpi(), "0");
}

TEST_F(SimDeviceLinkTest, SecondLayoutMouseReportsItsSerial) {
    Sim("plug mouse5698");
    link->ScanPresentDevices();
    StartReading(kDeviceMouse);
    Sim("report mouse5698 0a00000000000000000000"
        "01ab00ff10");
    ASSERT_TRUE(WaitFor({1152, 0}));
    EXPECT_EQ(config->GetSn(), "HMXWW01ab00ff10");
}

TEST_F(SimDeviceLinkTest, PenRecordKeyOpensAndClosesTheRecording) {
    config->SetLpSave("on");
    Sim("plug pen");
    link->ScanPresentDevices();
    StartReading(kDevicePen);
    Sim("key pen record down");
    Sim("key pen record up");
    ASSERT_TRUE(WaitFor({1160, 0}));
    const std::vector<Posted> expected = {{1131, 0}, {1127, 3}, {1159, 0}, {1128, 0}, {1160, 0}};
    EXPECT_EQ(Messages(), expected);
}

TEST_F(SimDeviceLinkTest, BluetoothMouseOnlyMarksItsStartAndEnd) {
    Sim("plug btmouse");
    link->ScanPresentDevices();
    ASSERT_TRUE(link->State().bluetoothMouse);
    StartReading(kDeviceMouse);
    std::vector<std::string> texts;
    ASSERT_TRUE(SimWorldProcess::WaitForEvents(startSeq, [&](const auto& events) {
        texts = DebugTexts(events);
        return Contains(texts, "Leave BTMouseProc...\n");
    }));
    EXPECT_TRUE(Contains(texts, "Enter BTMouseProc...\n"));
    // The thread has ended: whatever it posted is in already.
    EXPECT_TRUE(Messages().empty());
}

TEST_F(SimDeviceLinkTest, OutputReportsShowInTheEventStream) {
    Sim("plug mouse");
    link->ScanPresentDevices();
    config->Set(ConfigKey::Url, "off");
    const int64_t before = SimWorldProcess::LastSeq();
    EXPECT_TRUE(link->SendWebKeyToMouse());
    std::string event;
    EXPECT_EQ(SimWorldProcess::Run("wait hid_output --where device=mouse --since " +
                                       std::to_string(before) + " --timeout 30",
                                   &event),
              0);
    EXPECT_NE(event.find("\"bytes\":\"0aa755" + std::string(58, '0') + "\""), std::string::npos)
        << event;
}

TEST_F(SimDeviceLinkTest, UnplugEndsReadsAndSendsFailCleanly) {
    Sim("plug mouse");
    link->ScanPresentDevices();
    StartReading(kDeviceMouse);
    // A decoded report shows that the thread holds the mouse open when it goes away.
    Sim("report mouse 0a0000002500000a");
    ASSERT_TRUE(WaitFor({1132, 0}));
    Sim("unplug mouse");
    EXPECT_FALSE(link->SendCtrlVByMouse());
    link->StopReadingThread(kDeviceMouse);
    EXPECT_TRUE(SimWorldProcess::WaitForEvents(startSeq, [](const auto& events) {
        return Contains(DebugTexts(events), "Leave MouseProc...\n");
    }));
}

TEST(SimTool, WaitTimesOutWithExitCodeOne) {
    EXPECT_EQ(SimWorldProcess::Run("wait message --where msg=4242 --timeout 0.2 2>/dev/null"), 1);
    EXPECT_NE(SimWorldProcess::Run("plug toaster 2>/dev/null"), 0);
    EXPECT_NE(SimWorldProcess::Run("report mouse 0a 2>/dev/null"), 0) << "nothing plugged";
    EXPECT_NE(SimWorldProcess::Run("frobnicate 2>/dev/null"), 0);
}

TEST(SimTool, WaitMatchesEmittedMessagesAfterASequenceNumber) {
    const int64_t before = SimWorldProcess::LastSeq();
    Json::Value request;
    request["op"] = "emit";
    request["event"]["kind"] = "message";
    request["event"]["msg"] = 1127;
    request["event"]["wparam"] = 2;
    request["event"]["lparam"] = 0;
    platform::sim::SimClient::Control().Send(request);
    const std::string match = "wait message --where msg=1127 --where wparam=2 --since ";
    std::string out;
    EXPECT_EQ(SimWorldProcess::Run(match + std::to_string(before) + " --timeout 30", &out), 0);
    EXPECT_NE(out.find("\"seq\":"), std::string::npos) << out;
    EXPECT_NE(out.find("\"t\":"), std::string::npos) << out;
    // Events up to the sequence number are left out.
    EXPECT_GT(SeqOf(out), before);
    EXPECT_EQ(
        SimWorldProcess::Run(match + std::to_string(SeqOf(out)) + " --timeout 0.2 2>/dev/null"), 1);
    EXPECT_NE(SimWorldProcess::Run("wait message --since -1 2>/dev/null"), 0);
}

} // namespace

namespace {

TEST(SimTool, PlugTakesAnotherIdentityAndEventsResumeAfterASequenceNumber) {
    ASSERT_EQ(SimWorldProcess::Run("plug mouse --vid 3cde --pid A217 --serial X9"), 0);
    std::string all;
    ASSERT_EQ(SimWorldProcess::Run("events", &all), 0);
    EXPECT_NE(all.find("USB\\\\VID_3CDE&PID_A217\\\\X9"), std::string::npos) << all;
    const size_t lines = static_cast<size_t>(std::count(all.begin(), all.end(), '\n'));
    ASSERT_GE(lines, 1u);
    std::string later;
    ASSERT_EQ(SimWorldProcess::Run("events --since " + std::to_string(lines - 1), &later), 0);
    // The stream resumes with the last event seen before (others may follow it).
    const size_t lastStart = all.rfind('\n', all.size() - 2);
    const std::string lastLine = all.substr(lastStart == std::string::npos ? 0 : lastStart + 1);
    EXPECT_EQ(later.rfind(lastLine, 0), 0u) << later;
    EXPECT_NE(SimWorldProcess::Run("key mouse voice1 sideways 2>/dev/null"), 0);
    EXPECT_NE(SimWorldProcess::Run("plug mouse --vid 12345 2>/dev/null"), 0);
    EXPECT_EQ(SimWorldProcess::Run("unplug mouse"), 0);
    EXPECT_NE(SimWorldProcess::Run("unplug mouse 2>/dev/null"), 0);
}

} // namespace
