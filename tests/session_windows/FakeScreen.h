#pragma once

#include "platform/IScreen.h"

#include <QRect>

#include <QString>

#include <ostream>

// A screen whose size, caret and pointer the test sets.
class FakeScreen : public platform::IScreen {
public:
    QSize size{1920, 1080};
    std::optional<QPoint> caret;
    std::optional<QPoint> cursor;

    QSize ScreenSize() override { return size; }
    std::optional<QPoint> CursorPosition() override { return cursor; }
    std::optional<QPoint> CaretPosition() override { return caret; }
    QImage Grab() override { return {}; }
    bool SetPointerVisible(bool) override { return true; }
};

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QRect& r, std::ostream* out) {
    *out << '(' << r.x() << ',' << r.y() << ' ' << r.width() << 'x' << r.height() << ')';
}
inline void PrintTo(const QPoint& p, std::ostream* out) {
    *out << '(' << p.x() << ',' << p.y() << ')';
}
inline void PrintTo(const QSize& s, std::ostream* out) {
    *out << s.width() << 'x' << s.height();
}
