#pragma once

#include <json/value.h>

#include <mutex>
#include <string>

// The signed-in user's record as the service sends it in "data"; all text UTF-8 as received.
struct UserRecord {
    long long id = 0;
    std::string age;
    std::string createTime;
    std::string imei;
    std::string imsi;
    bool isNew = false;
    std::string name;
    std::string password;
    std::string phone;
    std::string pic;
    std::string sex;
    std::string status;
    std::string updateTime;

    // Reads the fields of an account reply's "data" object. A field of the wrong type reads as
    // empty (text), 0 (id) or false (new); numbers are taken as their text and an id given as
    // decimal text as its number, so no reply can make the reader throw.
    static UserRecord FromJson(const Json::Value& data);
};

// The one process-wide account record, owned by the application object. Sign-in workers fill
// it and then post the signed-in message; the windows read it once that message arrives. The
// record is overwritten on every sign-in and kept on sign-out; only the flag changes then.
// Every member may be called from any thread.
class UserInfo {
public:
    void Fill(const UserRecord& record);
    UserRecord Record() const;

    void SetSignedIn(bool signedIn);
    bool IsSignedIn() const;

private:
    mutable std::mutex m_lock;
    UserRecord m_record;
    bool m_signedIn = false;
};
