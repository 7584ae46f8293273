#pragma once

#include <QString>

#include <cstdint>

class QWidget;

// Notification names, as the window classes compare them.
namespace ui::notify {
inline const QString kClick = QStringLiteral("click");
inline const QString kSelectChanged = QStringLiteral("selectchanged");
inline const QString kItemSelect = QStringLiteral("itemselect");
inline const QString kMouseEnter = QStringLiteral("mouseenter");
inline const QString kMouseLeave = QStringLiteral("mouseleave");
inline const QString kLink = QStringLiteral("link");
inline const QString kMoveValueChanged = QStringLiteral("movevaluechanged");
// An edit's text changed by the user (typing, pasting), not by the program.
inline const QString kTextChanged = QStringLiteral("textchanged");
} // namespace ui::notify

// One notification from a skin control to its window. wParam carries the new index ("itemselect"),
// the new value ("movevaluechanged") or the check state ("selectchanged"); lParam the old index.
struct TNotifyUI {
    QString sType;
    QString senderName;
    QWidget* pSender = nullptr;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
    QString linkTarget; // "link": the activated link
    intptr_t tag = 0;   // the sender's tag (WindowImplBase::GetTag), 0 when it has none
};
