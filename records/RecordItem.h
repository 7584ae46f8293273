#pragma once

#include <json/value.h>

#include <string>

// One recording: a record kept on the maker's service, or a local record converted from the
// recording pen's Opus file. Texts are UTF-8.
struct RecordItem {
    std::string attr1; // a local record: the WAV path; a server record: the audio's address
    std::string attr2;
    std::string channalname;
    std::string content; // the recognised text
    std::string createTime;
    std::string duration;
    std::string filename; // a local record: NAME.wav
    std::string filepath;
    long long id = 0; // 0 for a local record
    std::string location;
    std::string productname;
    std::string recordTime;
    std::string status;
    std::string updateTime;
    long long userid = 0;
    std::string recognitionLanguage;
    // Local records only.
    std::string opusPath;
    std::string pcmPath;
    std::string wavPath;
    std::string txtPath;
    bool onServer = false;

    // One element of a fetch reply's "data" array. A missing or mistyped text reads as empty,
    // a missing or mistyped id or user id as 0; nothing a reply holds makes it throw.
    static RecordItem FromFetchJson(const Json::Value& object);
    // Copies the members a save reply's "data" returns into this record; a member that is
    // missing (or of the wrong type) leaves its field as it was.
    void TakeSaveReply(const Json::Value& data);

    // The file name up to its first "." (the NAME of a local record, a server record's title).
    std::string Title() const;
};
