#include "PulseTestServer.h"

#include "speech/CAudioEndpoints.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

class AudioEndpointsTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        if (!pulsetest::Available(&why))
            GTEST_SKIP() << why;
        // The descriptions carry this run's tag, so sources of other programs never match.
        m_tag = "Velmora" + std::to_string(getpid());
        m_first = std::make_unique<pulsetest::PipeSource>("velmora_ep_a" + m_tag,
                                                          m_tag + " Dravel Mouse Microphone");
        m_second = std::make_unique<pulsetest::PipeSource>("velmora_ep_b" + m_tag,
                                                           m_tag + " Lunrik Pen Microphone");
        ASSERT_TRUE(m_first->Loaded());
        ASSERT_TRUE(m_second->Loaded());
        pulsetest::Pactl("set-default-source null.monitor");
    }

    std::string m_tag;
    std::unique_ptr<pulsetest::PipeSource> m_first;
    std::unique_ptr<pulsetest::PipeSource> m_second;
};

TEST_F(AudioEndpointsTest, ListsInputSourcesByDescriptionButNoMonitors) {
    CAudioEndpoints endpoints;
    endpoints.Refresh();
    const QStringList names = endpoints.Names();
    const QString first = QString::fromStdString(m_tag + " Dravel Mouse Microphone");
    const QString second = QString::fromStdString(m_tag + " Lunrik Pen Microphone");
    EXPECT_TRUE(names.contains(first)) << names.join("|").toStdString();
    EXPECT_TRUE(names.contains(second));
    EXPECT_LT(names.indexOf(first), names.indexOf(second));
    for (const QString& name : names)
        EXPECT_FALSE(name.startsWith("Monitor of")) << name.toStdString();
}

TEST_F(AudioEndpointsTest, SelectByNameMakesTheFirstMatchingSourceTheDefault) {
    CAudioEndpoints endpoints;
    endpoints.Refresh();
    struct Case {
        std::string text;
        bool selected;
        const pulsetest::PipeSource* expected;
    };
    const Case cases[] = {
        {m_tag + " Lunrik", true, m_second.get()},
        {m_tag + " ", true, m_first.get()}, // both contain it: the first listed wins
        {m_tag + " Lunrik Pen Microphone", true, m_second.get()},
        {m_tag + " Nothing like it", false, m_second.get()}, // no match: default unchanged
    };
    for (const Case& c : cases) {
        EXPECT_EQ(endpoints.SelectByName(QString::fromStdString(c.text)), c.selected) << c.text;
        EXPECT_EQ(pulsetest::DefaultSource(), c.expected->Name()) << c.text;
    }
}

TEST(AudioEndpointsWithoutServer, RefreshLeavesAnEmptyList) {
    std::string why;
    if (!pulsetest::Available(&why))
        GTEST_SKIP() << why;
    const char* previous = std::getenv("PULSE_SERVER");
    const std::string saved = previous ? previous : "";
    setenv("PULSE_SERVER", "unix:/nonexistent/velmora/pulse/native", 1);
    CAudioEndpoints endpoints;
    endpoints.Refresh();
    const bool selected = endpoints.SelectByName("Dravel");
    if (previous)
        setenv("PULSE_SERVER", saved.c_str(), 1);
    else
        unsetenv("PULSE_SERVER");
    EXPECT_TRUE(endpoints.Names().isEmpty());
    EXPECT_FALSE(selected);
}

} // namespace
