#include "MediaWorld.h"

#include "platform/IAudioCapture.h"
#include "platform/IAudioEndpointList.h"
#include "platform/InputDevices.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::string> Texts(const std::vector<Json::Value>& events, const char* field) {
    std::vector<std::string> texts;
    for (const Json::Value& event : events)
        texts.push_back(event[field].asString());
    return texts;
}

TEST(SimAudioSources, ListsThreeMicrophonesAndRemembersTheDefault) {
    auto list = platform::CreateAudioEndpointList();
    std::vector<platform::AudioSourceInfo> sources;
    ASSERT_EQ(list->ListSources(sources), 0);
    std::vector<QString> names;
    for (const auto& s : sources)
        names.push_back(s.description);
    EXPECT_EQ(names, (std::vector<QString>{"Built-in Microphone", "Dravel Microphone",
                                           "Lunrik Microphone"}));

    const int64_t before = MediaWorld::LastSeq();
    ASSERT_EQ(list->SetDefaultSource(sources[1].id), 0);
    EXPECT_NE(list->SetDefaultSource("no-such-source"), 0);
    const auto chosen = MediaWorld::EventsAfter(before, "audio_default");
    ASSERT_EQ(chosen.size(), 1u);
    EXPECT_EQ(chosen[0]["name"].asString(), "Dravel Microphone");

    // Capture of the default source now records the chosen microphone.
    auto capture = platform::CreateAudioCapture();
    ASSERT_EQ(capture->Open({}, [](const char*, std::size_t, bool) {}), 0);
    ASSERT_EQ(capture->Start(), 0);
    ASSERT_EQ(capture->Stop(), 0);
    const auto audio = MediaWorld::EventsAfter(before, "audio");
    ASSERT_FALSE(audio.empty());
    EXPECT_EQ(audio[0]["source"].asString(), "Dravel Microphone");

    ASSERT_EQ(list->SetDefaultSource(sources[0].id), 0);
}

TEST(SimInput, KeysAndClipboardAreRecorded) {
    auto keyboard = platform::KeyboardInput();
    ASSERT_TRUE(keyboard->IsAvailable());
    const int64_t before = MediaWorld::LastSeq();
    EXPECT_TRUE(platform::Clipboard()->SetText(QStringLiteral("héllo 世界")));
    EXPECT_TRUE(keyboard->InjectCtrlV());
    EXPECT_TRUE(keyboard->InjectArrow(platform::ArrowKey::Up));
    EXPECT_TRUE(keyboard->InjectArrow(platform::ArrowKey::Down));

    const auto clipboard = MediaWorld::EventsAfter(before, "clipboard");
    ASSERT_EQ(clipboard.size(), 1u);
    EXPECT_EQ(clipboard[0]["text"].asString(), "héllo 世界");
    EXPECT_EQ(Texts(MediaWorld::EventsAfter(before, "key"), "keys"),
              (std::vector<std::string>{"ctrl+v", "up", "down"}));
    // The paste follows the clipboard content it pastes.
    const auto all = MediaWorld::EventsAfter(before);
    EXPECT_EQ(all[0]["kind"].asString(), "clipboard");
}

TEST(SimInput, EachTypedUnitIsOneCharEvent) {
    auto keyboard = platform::KeyboardInput();
    ASSERT_TRUE(keyboard->HasFocusWindow());
    const std::u16string text = u"a\u00e9\u4e2d\U0001F600";
    const int64_t before = MediaWorld::LastSeq();
    for (char16_t unit : text)
        EXPECT_TRUE(keyboard->TypeUnit(unit));
    keyboard->FinishTyping();

    const auto chars = MediaWorld::EventsAfter(before, "char");
    // Halves of a surrogate pair have no UTF-8 form: their text is the \uXXXX escape.
    EXPECT_EQ(Texts(chars, "text"),
              (std::vector<std::string>{"a", "é", "中", "\\uD83D", "\\uDE00"}));
    ASSERT_EQ(chars.size(), text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
        EXPECT_EQ(chars[i]["unit"].asUInt(), static_cast<unsigned>(text[i]));
}

TEST(SimInput, NothingIsTypedWithoutAFocusWindow) {
    auto keyboard = platform::KeyboardInput();
    ASSERT_EQ(MediaWorld::Run("focus none"), 0);
    const int64_t before = MediaWorld::LastSeq();
    EXPECT_FALSE(keyboard->HasFocusWindow());
    EXPECT_FALSE(keyboard->TypeUnit(u'x'));
    EXPECT_TRUE(MediaWorld::EventsAfter(before, "char").empty());
    ASSERT_EQ(MediaWorld::Run("focus window"), 0);
    EXPECT_TRUE(keyboard->HasFocusWindow());
}

TEST(SimScreen, SizeCaretAndCursorComeFromTheWorld) {
    auto screen = platform::Screen();
    EXPECT_EQ(screen->ScreenSize(), QSize(1920, 1080));
    EXPECT_FALSE(screen->CaretPosition().has_value());

    ASSERT_EQ(MediaWorld::Run("caret 300 420"), 0);
    EXPECT_EQ(screen->CaretPosition(), std::optional<QPoint>(QPoint(300, 420)));
    ASSERT_EQ(MediaWorld::Run("caret none"), 0);
    EXPECT_FALSE(screen->CaretPosition().has_value());

    ASSERT_EQ(MediaWorld::Run("cursor 17 1079"), 0);
    EXPECT_EQ(screen->CursorPosition(), std::optional<QPoint>(QPoint(17, 1079)));

    for (const char* bad : {"caret 1", "caret x y", "cursor", "focus maybe"})
        EXPECT_NE(MediaWorld::Run(bad), 0) << bad;
}

} // namespace
