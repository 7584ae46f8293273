#pragma once

#include <QString>

// One custom voice command as the command service keeps it.
struct CommandRecord {
    QString customName; // the target: a web address, a file, a folder or a program
    QString customCmd;  // the spoken word or phrase
    QString cmdType;    // "website", "file", "folder" or empty; shown, never matched
    QString isshow;     // "1" for the records that are shown and matched

    bool operator==(const CommandRecord& other) const {
        return customName == other.customName && customCmd == other.customCmd &&
               cmdType == other.cmdType && isshow == other.isshow;
    }
};
