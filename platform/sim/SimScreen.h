#pragma once

#include "platform/IScreen.h"

#include <json/value.h>

namespace platform::sim {

// The simulator world's screen, pointer and caret, asked afresh on every call so that what a
// test sets with velmora-sim is seen at once. The screen's picture is the one a test gave with
// `velmora-sim screen-image` (a grey screen of the world's size until then); hiding and showing
// the pointer are reported as cursor_visible events.
class SimScreen : public IScreen {
public:
    QSize ScreenSize() override;
    std::optional<QPoint> CursorPosition() override;
    std::optional<QPoint> CaretPosition() override;
    QImage Grab() override;
    bool SetPointerVisible(bool visible) override;

    // What the screen shows before a test gives a picture.
    static constexpr QRgb kDefaultScreenColour = 0xFF808080;

private:
    // The world's screen reply; null when the world does not answer.
    static Json::Value AskScreen();
};

} // namespace platform::sim
