#include "records/RecordItem.h"

#include <json/value.h>

#include <cerrno>
#include <cstdlib>
#include <optional>

namespace {

std::optional<std::string> TextMember(const Json::Value& object, const char* key) {
    const Json::Value* member = object.find(key, key + std::char_traits<char>::length(key));
    if (member == nullptr || !member->isString())
        return std::nullopt;
    return member->asString();
}

// Only plain decimal digits, with an optional minus, that fit: "12a", "1e3" or "" stay unread.
std::optional<long long> DecimalText(const std::string& text) {
    const std::size_t digitsFrom = !text.empty() && text[0] == '-' ? 1 : 0;
    if (text.size() == digitsFrom || text.size() - digitsFrom > 19)
        return std::nullopt;
    for (std::size_t i = digitsFrom; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
    }
    errno = 0;
    const long long value = std::strtoll(text.c_str(), nullptr, 10);
    if (errno == ERANGE)
        return std::nullopt;
    return value;
}

// An integer member; services that quote their ids ("id": "42") are read as well.
std::optional<long long> IdMember(const Json::Value& object, const char* key) {
    const Json::Value* member = object.find(key, key + std::char_traits<char>::length(key));
    if (member == nullptr)
        return std::nullopt;
    if (member->isString())
        return DecimalText(member->asString());
    if (member->isInt64())
        return member->asInt64();
    return std::nullopt;
}

void Take(std::string& field, const Json::Value& object, const char* key) {
    if (std::optional<std::string> text = TextMember(object, key))
        field = std::move(*text);
}

void Take(long long& field, const Json::Value& object, const char* key) {
    if (std::optional<long long> id = IdMember(object, key))
        field = *id;
}

} // namespace

RecordItem RecordItem::FromFetchJson(const Json::Value& object) {
    RecordItem item;
    if (!object.isObject())
        return item;
    Take(item.attr1, object, "attr1");
    Take(item.attr2, object, "attr2");
    Take(item.channalname, object, "channalname");
    Take(item.content, object, "content");
    Take(item.createTime, object, "createTime");
    Take(item.duration, object, "duration");
    Take(item.filename, object, "filename");
    Take(item.filepath, object, "filepath");
    Take(item.id, object, "id");
    Take(item.location, object, "location");
    Take(item.productname, object, "productname");
    Take(item.recordTime, object, "recordTime");
    Take(item.status, object, "status");
    Take(item.updateTime, object, "updateTime");
    Take(item.userid, object, "userid");
    Take(item.recognitionLanguage, object, "recognitionLanguage");
    return item;
}

void RecordItem::TakeSaveReply(const Json::Value& data) {
    if (!data.isObject())
        return;
    Take(attr2, data, "attr2");
    Take(channalname, data, "channalname");
    Take(content, data, "content");
    Take(createTime, data, "createTime");
    Take(duration, data, "duration");
    Take(filename, data, "filename");
    Take(filepath, data, "filepath");
    Take(id, data, "id");
    Take(location, data, "location");
    Take(productname, data, "productname");
    Take(recordTime, data, "recordTime");
    Take(status, data, "status");
    Take(updateTime, data, "updateTime");
    Take(userid, data, "userid");
    Take(recognitionLanguage, data, "recognitionLanguage");
}

std::string RecordItem::Title() const {
    return filename.substr(0, filename.find('.'));
}
