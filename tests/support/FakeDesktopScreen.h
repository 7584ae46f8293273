#pragma once

#include "platform/IScreen.h"

#include <QImage>

#include <vector>

// A screen whose pointer and picture the test sets, and which records what the program asked of
// it: grabs, and the pointer hidden or shown.
class FakeDesktopScreen : public platform::IScreen {
public:
    QSize size{1920, 1080};
    std::optional<QPoint> cursor = QPoint(960, 540);
    // What Grab returns; null is a grab that fails.
    QImage picture;
    // False: the desktop cannot hide the pointer (no XFixes).
    bool pointerControl = true;

    int grabs = 0;
    int cursorReads = 0;
    // Every SetPointerVisible call, in order.
    std::vector<bool> pointerCalls;

    QSize ScreenSize() override { return size; }
    std::optional<QPoint> CursorPosition() override {
        ++cursorReads;
        return cursor;
    }
    std::optional<QPoint> CaretPosition() override { return std::nullopt; }
    QImage Grab() override {
        ++grabs;
        return picture;
    }
    bool SetPointerVisible(bool visible) override {
        pointerCalls.push_back(visible);
        return pointerControl;
    }
};
