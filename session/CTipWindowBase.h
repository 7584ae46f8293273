#pragma once

#include "ui/framework/WindowImplBase.h"

#include <QPoint>
#include <QSize>
#include <QString>

#include <memory>
#include <optional>

class CConfig;
namespace platform {
class IScreen;
}

// What the voice tip and the notice window share: a one-line tip of fixed height that sizes
// itself to its text, shows on top of everything without taking the focus, and hides itself
// when its hide timer fires. UI thread only.
class CTipWindowBase : public WindowImplBase {
public:
    static constexpr unsigned kHideTimer = 1;

    CTipWindowBase(std::shared_ptr<const CConfig> config,
                   std::shared_ptr<platform::IScreen> screen);

protected:
    // The user-interface language now set; empty without a settings store.
    QString UiLanguage() const;
    platform::IScreen& Screen() const { return *m_screen; }
    // Size of the screen, or nullopt when the platform does not know it.
    std::optional<QSize> ScreenSize() const;

    // Sets "tip_text" when the language has a text; otherwise it keeps what it shows.
    void SetTipText(const std::optional<QString>& text);
    // Width for the text "tip_text" shows now.
    int WidthForShownText() const;
    // Gives the window its width and the tip height, moves it when a place is given, and shows
    // it above other windows without activating it.
    void ShowSized(int width, const std::optional<QPoint>& place);

    void OnTimer(unsigned id) override;
    Qt::WindowFlags AdjustWindowFlags(Qt::WindowFlags flags) const override;

private:
    std::shared_ptr<const CConfig> m_config;
    std::shared_ptr<platform::IScreen> m_screen;
};
