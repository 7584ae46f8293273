#pragma once

#include <QString>
#include <QVariant>

// One element of a list box: the control name the code compares, the text shown and a tag.
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
} // namespace ui
