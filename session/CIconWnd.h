#pragma once

#include "app/FloatingWindowInterfaces.h"
#include "ui/framework/WindowImplBase.h"

#include <functional>
#include <memory>

namespace platform {
class IScreen;
}

// The small icon that pops up beside the pointer when a highlighted word was caught. It fades
// away by itself, stays while the pointer rests on it, and opens the get-word window with the
// word when clicked. UI thread only; the window manager brings calls from other threads here.
class CIconWnd : public WindowImplBase, public IFloatingIconWindow {
public:
    using UsageRecorder = std::function<void(int kind, const QString& info)>;
    using GetWordOpener = std::function<void(int x, int y, const QString& word)>;

    static constexpr unsigned kFadeTimer = 200;
    static constexpr unsigned kFadeDelayTimer = 201;
    static constexpr int kFadeDelayMs = 300;
    static constexpr int kFadeStepMs = 100;
    static constexpr int kFadeStep = 10;
    static constexpr int kOpaque = 255;
    static constexpr int kUsageKind = 31;

    CIconWnd(UsageRecorder recordUsage, GetWordOpener openGetWord,
             std::shared_ptr<platform::IScreen> screen = nullptr);

    QString GetWindowClassName() const override { return QStringLiteral("IconWnd"); }
    QString GetSkinFile() const override { return QStringLiteral("icon.xml"); }

    // value is part of the manager's call and means nothing to the icon.
    void ShowIcon(int value, int x, int y, const QString& word) override;
    void HideIconIfPointerOutside() override;

    QString Word() const { return m_word; }
    int Opacity() const { return m_opacity; }

protected:
    void Notify(const TNotifyUI& msg) override;
    void OnClick(const TNotifyUI& msg) override;
    void OnTimer(unsigned id) override;
    void OnWindowDeactivated() override;
    Qt::WindowFlags AdjustWindowFlags(Qt::WindowFlags flags) const override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void StartFadeDelay();
    void BeginFade();
    void FadeStep();
    void HoldOpaque();
    void SetOpacity(int opacity);
    bool PointerInside() const;

    UsageRecorder m_recordUsage;
    GetWordOpener m_openGetWord;
    std::shared_ptr<platform::IScreen> m_screen;
    QString m_word;
    int m_opacity = kOpaque;
};
