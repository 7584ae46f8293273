#include "service/UserInfo.h"

#include <cerrno>
#include <cstdlib>

namespace {

std::string TextField(const Json::Value& data, const char* key) {
    const Json::Value& value = data[key];
    switch (value.type()) {
    case Json::stringValue:
    case Json::intValue:
    case Json::uintValue:
    case Json::realValue:
        return value.asString();
    default:
        return std::string();
    }
}

long long ParseDecimal(const std::string& text) {
    if (text.empty())
        return 0;
    errno = 0;
    char* end = nullptr;
    const long long number = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || end == text.c_str() || *end != '\0')
        return 0;
    return number;
}

long long IdField(const Json::Value& data) {
    const Json::Value& value = data["id"];
    if (value.isInt64())
        return value.asInt64();
    if (value.isString())
        return ParseDecimal(value.asString());
    return 0;
}

// A whole number counts by being non-zero, whatever its range: asking for a number the value's
// type cannot hold (a large unsigned or real as a signed one) would throw.
bool FlagField(const Json::Value& data, const char* key) {
    const Json::Value& value = data[key];
    switch (value.type()) {
    case Json::booleanValue:
        return value.asBool();
    case Json::intValue:
        return value.asLargestInt() != 0;
    case Json::uintValue:
        return value.asLargestUInt() != 0;
    case Json::realValue:
        return value.isIntegral() && value.asDouble() != 0.0;
    default:
        return false;
    }
}

} // namespace

UserRecord UserRecord::FromJson(const Json::Value& data) {
    UserRecord record;
    if (!data.isObject())
        return record;
    // The order of the service's own reader: age, createTime, id, imei, imsi, new, name,
    // password, phone, pic, sex, status, updateTime.
    record.age = TextField(data, "age");
    record.createTime = TextField(data, "createTime");
    record.id = IdField(data);
    record.imei = TextField(data, "imei");
    record.imsi = TextField(data, "imsi");
    record.isNew = FlagField(data, "new");
    record.name = TextField(data, "name");
    record.password = TextField(data, "password");
    record.phone = TextField(data, "phone");
    record.pic = TextField(data, "pic");
    record.sex = TextField(data, "sex");
    record.status = TextField(data, "status");
    record.updateTime = TextField(data, "updateTime");
    return record;
}

void UserInfo::Fill(const UserRecord& record) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_record = record;
}

UserRecord UserInfo::Record() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_record;
}

void UserInfo::SetSignedIn(bool signedIn) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_signedIn = signedIn;
}

bool UserInfo::IsSignedIn() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_signedIn;
}
