// The floating icon: usage event, fade, hover, click and hiding.
#include "FakeScreen.h"

#include "app/CWndManager.h"
#include "session/CIconWnd.h"

#include <QKeyEvent>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Usage {
    int kind;
    QString info;
};

struct GetWordCall {
    QPoint at;
    QString word;
};

// Lets the test tick the icon's timers itself instead of waiting for them.
class TickableIconWnd : public CIconWnd {
public:
    using CIconWnd::CIconWnd;
    using CIconWnd::OnTimer;
};

class IconWndTest : public ::testing::Test {
protected:
    void SetUp() override {
        WindowFactories factories;
        factories.floating[FloatingWnd::Icon] = [this] {
            return new TickableIconWnd(
                [this](int kind, const QString& info) {
                    usage.push_back({kind, info});
                },
                [this](int x, int y, const QString& word) {
                    getWord.push_back({QPoint(x, y), word});
                },
                screen);
        };
        manager = std::make_unique<CWndManager>(std::move(factories));
        icon = dynamic_cast<TickableIconWnd*>(manager->FloatingWindow(FloatingWnd::Icon));
        ASSERT_NE(icon, nullptr);
    }

    QWidget* Button() const { return icon->FindControl(QStringLiteral("icon_btn")); }
    void Send(QWidget* target, QEvent::Type type) {
        QEvent event(type);
        QCoreApplication::sendEvent(target, &event);
    }
    double ShownOpacity() const { return icon->GetHWND()->windowOpacity(); }

    std::shared_ptr<FakeScreen> screen = std::make_shared<FakeScreen>();
    std::vector<Usage> usage;
    std::vector<GetWordCall> getWord;
    std::unique_ptr<CWndManager> manager;
    TickableIconWnd* icon = nullptr;
};

TEST_F(IconWndTest, ShowPlacesTheIconBesideThePointerAndRecordsTheUsage) {
    EXPECT_EQ(icon->GetWindowName(), QStringLiteral("IconWnd"));
    EXPECT_FALSE(icon->IsVisible());
    ASSERT_NE(Button(), nullptr);

    manager->ShowIcon(0, 400, 300, QStringLiteral("velocity"));
    EXPECT_TRUE(icon->IsVisible());
    EXPECT_EQ(icon->GetHWND()->pos(), QPoint(403, 297));
    EXPECT_EQ(icon->Word(), QStringLiteral("velocity"));
    ASSERT_EQ(usage.size(), 1u);
    EXPECT_EQ(usage[0].kind, 31);
    EXPECT_EQ(usage[0].info, QStringLiteral("划词翻译"));
    EXPECT_TRUE(icon->HasTimer(CIconWnd::kFadeDelayTimer));
    EXPECT_FALSE(icon->HasTimer(CIconWnd::kFadeTimer));
}

TEST_F(IconWndTest, FadesOutInTwentySixSteps) {
    manager->ShowIcon(0, 10, 10, QStringLiteral("w"));
    icon->OnTimer(CIconWnd::kFadeDelayTimer);
    EXPECT_FALSE(icon->HasTimer(CIconWnd::kFadeDelayTimer));
    ASSERT_TRUE(icon->HasTimer(CIconWnd::kFadeTimer));
    EXPECT_EQ(icon->Opacity(), 255);

    std::vector<int> seen;
    while (icon->HasTimer(CIconWnd::kFadeTimer) && seen.size() < 100) {
        icon->OnTimer(CIconWnd::kFadeTimer);
        seen.push_back(icon->Opacity());
    }
    ASSERT_EQ(seen.size(), 26u);
    EXPECT_EQ(seen.front(), 245);
    EXPECT_EQ(seen[24], 5);
    EXPECT_EQ(seen.back(), 0);
    EXPECT_DOUBLE_EQ(ShownOpacity(), 0.0);
    EXPECT_TRUE(icon->IsVisible()) << "faded, not hidden";

    // The next word is shown in full again.
    manager->ShowIcon(0, 50, 60, QStringLiteral("next"));
    EXPECT_DOUBLE_EQ(ShownOpacity(), 1.0);
    EXPECT_EQ(icon->Word(), QStringLiteral("next"));
}

TEST_F(IconWndTest, HoverHoldsTheIconAndLeavingRestartsTheFadeLater) {
    manager->ShowIcon(0, 10, 10, QStringLiteral("w"));
    icon->OnTimer(CIconWnd::kFadeDelayTimer);
    for (int i = 0; i < 10; ++i)
        icon->OnTimer(CIconWnd::kFadeTimer);
    ASSERT_EQ(icon->Opacity(), 155);

    Send(Button(), QEvent::Enter);
    EXPECT_EQ(icon->Opacity(), 255);
    EXPECT_DOUBLE_EQ(ShownOpacity(), 1.0);
    EXPECT_FALSE(icon->HasTimer(CIconWnd::kFadeTimer));
    EXPECT_FALSE(icon->HasTimer(CIconWnd::kFadeDelayTimer));

    Send(Button(), QEvent::Leave);
    EXPECT_TRUE(icon->HasTimer(CIconWnd::kFadeDelayTimer));
    EXPECT_FALSE(icon->HasTimer(CIconWnd::kFadeTimer));
    // The real timers take over: 300 ms later the fade starts, 100 ms per step.
    QTRY_VERIFY_WITH_TIMEOUT(icon->Opacity() < 255, 2000);
    EXPECT_FALSE(icon->HasTimer(CIconWnd::kFadeDelayTimer));
}

TEST_F(IconWndTest, ClickOpensTheGetWordWindowBesideTheIcon) {
    manager->ShowIcon(0, 400, 300, QStringLiteral("velocity"));
    const QRect frame = icon->GetHWND()->frameGeometry();
    QTest::mouseClick(Button(), Qt::LeftButton);
    ASSERT_EQ(getWord.size(), 1u);
    EXPECT_EQ(getWord[0].at,
              QPoint(frame.x() + frame.width() + 2, frame.y() + frame.height() - 22));
    EXPECT_EQ(getWord[0].word, QStringLiteral("velocity"));
}

TEST_F(IconWndTest, HidesOnlyWhenThePointerIsOutside) {
    const struct {
        const char* how;
        std::optional<QPoint> pointer;
        bool staysShown;
    } cases[] = {
        {"manager", QPoint(105, 102), true}, {"manager", QPoint(500, 500), false},
        {"manager", std::nullopt, false},    {"escape", QPoint(105, 102), true},
        {"escape", QPoint(0, 0), false},     {"focus", QPoint(105, 102), true},
        {"focus", QPoint(0, 0), false},
    };
    for (const auto& c : cases) {
        manager->ShowIcon(0, 100, 100, QStringLiteral("w")); // icon at (103, 97)
        icon->OnTimer(CIconWnd::kFadeDelayTimer);
        icon->OnTimer(CIconWnd::kFadeTimer);
        screen->cursor = c.pointer;
        const std::string how = c.how;
        if (how == "manager") {
            manager->HideIconIfPointerOutside();
        } else if (how == "escape") {
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QCoreApplication::sendEvent(icon->GetHWND(), &escape);
        } else {
            Send(icon->GetHWND(), QEvent::WindowDeactivate);
        }
        EXPECT_EQ(icon->IsVisible(), c.staysShown) << c.how;
        if (!c.staysShown) {
            EXPECT_EQ(icon->Opacity(), 255) << c.how;
            EXPECT_FALSE(icon->HasTimer(CIconWnd::kFadeTimer)) << c.how;
        } else {
            EXPECT_EQ(icon->Opacity(), 245) << c.how;
        }
    }
}

} // namespace
