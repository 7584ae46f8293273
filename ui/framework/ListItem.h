#pragma once

#include <QString>
#include <QVariant>

// One element of a list box: the control name the code compares, the text shown and a tag. A
// text given as a text id ("id_...") shows that id's text in the current language and follows
// later language changes; reading the item back gives the text shown.
struct ListItem {
    QString name;
    QString text;
    QVariant tag;
};

namespace ui {
// Where list widgets and combo boxes keep an item's name and tag (item data roles), and the text
// of a row made from a row skin (its own widgets show it, so the item draws none).
constexpr int kListNameRole = Qt::UserRole;
constexpr int kListTagRole = Qt::UserRole + 1;
constexpr int kListRowTextRole = Qt::UserRole + 2;
// The text id an item's text came from, re-resolved when the language changes.
constexpr int kListTextIdRole = Qt::UserRole + 3;
} // namespace ui
