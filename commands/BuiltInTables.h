#pragma once

#include <QString>
#include <QStringList>

#include <map>

// Where a row of the system table leads on this desktop, worked out when the row is used, so
// that a newly installed application or a changed default counts at once.
struct SystemTarget {
    enum class Kind {
        DefaultFor,        // the default application of a MIME type (`value`)
        FirstInCategories, // the first application in all `categories`
        DesktopPlace,      // an address the desktop opens (`value`, "trash:///")
        HomeFolder,        // the user's home folder
    };
    Kind kind = Kind::HomeFolder;
    QString value;
    QStringList categories;

    // The target to open (a desktop-file id, an address or a folder); empty when this desktop
    // has nothing for it.
    QString Resolve() const;
};

// Spoken name to system target, walked in the order of the names' UTF-16 code units.
using SystemTargetTable = std::map<QString, SystemTarget>;
// Spoken name to the desktop file that names an application ("qqmusic.desktop").
using AppTargetTable = std::map<QString, QString>;

SystemTargetTable MakeSystemTargetTable();
AppTargetTable MakeAppTargetTable();
