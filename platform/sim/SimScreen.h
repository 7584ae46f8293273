#pragma once

#include "platform/IScreen.h"

#include <json/value.h>

namespace platform::sim {

// The simulator world's screen, pointer and caret, asked afresh on every call so that what a
// test sets with velmora-sim is seen at once.
class SimScreen : public IScreen {
public:
    QSize ScreenSize() override;
    std::optional<QPoint> CursorPosition() override;
    std::optional<QPoint> CaretPosition() override;

private:
    // The world's screen reply; null when the world does not answer.
    static Json::Value AskScreen();
};

} // namespace platform::sim
