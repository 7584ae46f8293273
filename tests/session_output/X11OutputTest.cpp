// Text and keys typed into a real Tk entry on the test X server, through the X11 keyboard and
// the Qt clipboard the program uses.
#include "platform/linux/CQtClipboard.h"
#include "platform/linux/CX11Keyboard.h"
#include "session/CTextOutput.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <optional>
#include <thread>
#include <vector>

namespace {

// An entry that owns the keyboard focus and answers commands on its standard input:
// "text" prints "TEXT <content>", "clear" empties it; arrow presses print "KEY Up"/"KEY Down".
const char* const kTargetScript = R"TCL(
fconfigure stdout -encoding utf-8 -buffering line
fconfigure stdin -encoding utf-8 -buffering line
entry .e -width 60
pack .e
bind .e <KeyPress-Up> {puts "KEY Up"; break}
bind .e <KeyPress-Down> {puts "KEY Down"; break}
proc command {} {
    if {[gets stdin line] < 0} { exit }
    switch -- $line {
        text { puts "TEXT [.e get]" }
        clear { .e delete 0 end; puts "CLEARED" }
    }
}
fileevent stdin readable command
tkwait visibility .e
focus -force .e
update
puts "READY"
)TCL";

constexpr int kWaitMs = 5000;

bool X11Session() {
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

// Pumps the Qt loop (the clipboard owner answers paste requests there) until done() or time-out.
template <typename Done> bool PumpUntil(Done done, int timeoutMs = kWaitMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

class TypingTarget {
public:
    bool Start(const QString& scriptPath) {
        m_process.setProgram("wish");
        m_process.setArguments({scriptPath});
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start();
        return m_process.waitForStarted(kWaitMs) && NextLine().has_value() && m_last == "READY";
    }
    ~TypingTarget() {
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(2000)) {
            m_process.kill();
            m_process.waitForFinished(2000);
        }
    }

    // The next line the target printed, waiting while the Qt loop runs.
    std::optional<QString> NextLine() {
        if (!PumpUntil([this] {
                m_process.waitForReadyRead(1);
                return m_process.canReadLine();
            }))
            return std::nullopt;
        m_last = QString::fromUtf8(m_process.readLine()).chopped(1);
        return m_last;
    }

    QString Ask(const char* command) {
        m_process.write(QByteArray(command) + '\n');
        m_process.waitForBytesWritten(kWaitMs);
        return NextLine().value_or(QStringLiteral("<no answer>"));
    }

    // Asks for the content until it equals `expected` (typing is asynchronous), or time-out.
    QString ContentOnceItIs(const QString& expected) {
        QString content;
        PumpUntil([&] {
            content = Ask("text").mid(5);
            return content == expected;
        });
        return content;
    }

private:
    QProcess m_process;
    QString m_last;
};

class X11Output : public ::testing::Test {
protected:
    void SetUp() override {
        if (!X11Session())
            GTEST_SKIP() << "no X display for the typing tests";
        ASSERT_TRUE(m_dir.isValid());
        const QString script = m_dir.filePath("target.tcl");
        QFile file(script);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(kTargetScript);
        file.close();
        ASSERT_TRUE(m_target.Start(script)) << "the Tk target did not come up";
        ASSERT_TRUE(PumpUntil([this] { return m_keyboard->HasFocusWindow(); }))
            << "the Tk entry did not get the input focus";
    }

    // Runs TypeText on a worker, as the engine threads do, while this (UI) thread serves Qt.
    void TypeFromWorker(const std::string& text) { TypeFromWorker(std::vector<std::string>{text}); }

    // The pieces in a row, as an engine delivers the partial results of one sentence.
    void TypeFromWorker(const std::vector<std::string>& pieces) {
        std::atomic<bool> finished{false};
        std::thread worker([&] {
            for (const std::string& piece : pieces)
                m_output.TypeText(piece);
            finished = true;
        });
        const bool done = PumpUntil([&] { return finished.load(); }, 30000);
        worker.join();
        ASSERT_TRUE(done);
    }

    CTextOutput MakeOutput() {
        CTextOutput::Context context;
        context.keyboard = m_keyboard;
        context.clipboard = std::make_shared<platform::CQtClipboard>();
        context.setting = [this](ConfigKey key) { return m_settings[key]; };
        context.deviceKind = [] { return 0; };
        context.voiceMode = [] { return 0; };
        context.sessionText = [] { return std::string(); };
        context.lastFlag = [] { return false; };
        context.showVoiceTip = [](int, const QString&, bool, int) {};
        context.recordUsageEvent = [](int, const std::string&, const std::string&) {};
        return CTextOutput(std::move(context));
    }

    QTemporaryDir m_dir;
    std::shared_ptr<platform::CX11Keyboard> m_keyboard = std::make_shared<platform::CX11Keyboard>();
    std::map<ConfigKey, QString> m_settings;
    CTextOutput m_output = MakeOutput();
    TypingTarget m_target;
};

const std::string kSentence = "go forward ten meters, 向前走十米。";

TEST_F(X11Output, PastesThroughTheClipboardWithCtrlV) {
    TypeFromWorker(kSentence);
    EXPECT_EQ(m_target.ContentOnceItIs(QString::fromStdString(kSentence)).toStdString(), kSentence);
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), kSentence);
}

TEST_F(X11Output, ConsecutivePastesLoseNoPiece) {
    const std::vector<std::string> pieces = {"go forward ", "ten meters, ", "向前走十米。"};
    TypeFromWorker(pieces);
    EXPECT_EQ(m_target.ContentOnceItIs(QString::fromStdString(kSentence)).toStdString(), kSentence);
}

TEST_F(X11Output, TypesCharacterByCharacterInMode1) {
    m_settings[ConfigKey::TypingMode] = "mode1";
    const std::string text = kSentence + " Ünïcode \xF0\x9F\x98\x80";
    TypeFromWorker(text);
    EXPECT_EQ(m_target.ContentOnceItIs(QString::fromStdString(text)).toStdString(), text);
}

TEST_F(X11Output, InjectsArrowKeys) {
    m_output.PressArrow(platform::ArrowKey::Up);
    EXPECT_EQ(m_target.NextLine().value_or(""), "KEY Up");
    m_output.PressArrow(platform::ArrowKey::Down);
    EXPECT_EQ(m_target.NextLine().value_or(""), "KEY Down");
}

TEST_F(X11Output, LeavesTheKeyboardMapAsItFoundIt) {
    QProcess dump;
    const auto keymap = [&dump] {
        dump.start("xmodmap", {"-pke"});
        dump.waitForFinished(kWaitMs);
        return dump.readAllStandardOutput();
    };
    const QByteArray before = keymap();
    ASSERT_FALSE(before.isEmpty()) << "xmodmap (x11-xserver-utils) printed no keyboard map";
    m_settings[ConfigKey::TypingMode] = "mode1";
    TypeFromWorker("keymap");
    EXPECT_EQ(m_target.ContentOnceItIs("keymap").toStdString(), "keymap");
    EXPECT_EQ(keymap(), before);
}

TEST(X11Keyboard, WithoutDisplayReportsUnavailableAndDoesNothing) {
    platform::CX11Keyboard keyboard(":4093");
    EXPECT_FALSE(keyboard.IsAvailable());
    EXPECT_FALSE(keyboard.HasFocusWindow());
    EXPECT_FALSE(keyboard.InjectCtrlV());
    EXPECT_FALSE(keyboard.InjectArrow(platform::ArrowKey::Down));
    EXPECT_FALSE(keyboard.TypeUnit(u'a'));
    keyboard.FinishTyping();
}

TEST(QtClipboard, SetsTheTextFromAnotherThreadWhileTheUiThreadRuns) {
    platform::CQtClipboard clipboard;
    std::atomic<int> outcome{-1};
    std::thread worker([&] { outcome = clipboard.SetText("从工作线程") ? 1 : 0; });
    PumpUntil([&] { return outcome.load() >= 0; });
    worker.join();
    EXPECT_EQ(outcome.load(), 1);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString("从工作线程"));
}

TEST(QtClipboard, GivesUpInsteadOfHangingWhenTheUiThreadIsBusyAndNeverWritesLate) {
    platform::CQtClipboard clipboard;
    ASSERT_TRUE(clipboard.SetText("before"));
    std::atomic<int> outcome{-1};
    // This (UI) thread does not serve its loop while the worker waits.
    std::thread worker([&] { outcome = clipboard.SetText("blocked") ? 1 : 0; });
    worker.join();
    EXPECT_EQ(outcome.load(), 0);
    // The loop runs again: the write that was reported as failed must not happen now.
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString("before"));
}

} // namespace
