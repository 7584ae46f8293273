#pragma once

#include <QString>
#include <QVariant>

// One element of a list box: the control name the code compares, the text shown and a tag.
struct ListItem {
    QString name;
    QString text;
    QVariant tag;
};
