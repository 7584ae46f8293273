#pragma once

#include <QVariant>

// What a records-window request carries in DialogRequest::argument, as a QVariantMap:
// {"local": bool (the local records, else the server records), "index": int (the record's
// position in that list)}.
struct RecordWindowArgument {
    bool local = false;
    int index = -1;

    QVariant ToVariant() const;
    // A map without both keys, or with values of other types, names no record (index -1).
    static RecordWindowArgument FromVariant(const QVariant& argument);
};
