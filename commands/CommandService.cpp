#include "commands/CommandService.h"

#include "app/CConfig.h"
#include "service/ServiceReply.h"
#include "service/UrlEncode.h"

namespace {

std::string Utf8(const QString& text) {
    return text.toUtf8().toStdString();
}

std::string Encoded(const QString& text) {
    return UrlEncode(Utf8(text));
}

// A member of a record: missing reads as empty; any other type spoils the reply.
bool ReadMember(const Json::Value& object, const char* name, QString& out) {
    const Json::Value& value = object[name];
    if (value.isNull()) {
        out.clear();
        return true;
    }
    if (!value.isString())
        return false;
    out = QString::fromStdString(value.asString());
    return true;
}

} // namespace

DeviceIdentity IdentityFromConfig(const CConfig& config, int deviceKind) {
    DeviceIdentity identity;
    identity.deviceKind = deviceKind;
    if (deviceKind == 0 || deviceKind == 1) {
        const bool pen = deviceKind == 1;
        identity.vid = config.Get(pen ? ConfigKey::LpVid : ConfigKey::Vid);
        identity.pid = config.Get(pen ? ConfigKey::LpPid : ConfigKey::Pid);
        identity.sn = config.Get(pen ? ConfigKey::LpSn : ConfigKey::Sn);
    }
    return identity;
}

std::string DeviceQuery(const CConfig& config, const DeviceIdentity& device, const QString& mac,
                        const char* lead) {
    std::string query;
    if (device.deviceKind == 0 || device.deviceKind == 1) {
        query += std::string(lead) + "vid=" + Utf8(device.vid);
        query += "&pid=" + Utf8(device.pid);
        query += "&sn=" + Utf8(device.sn);
    }
    query += "&channelName=" + Encoded(config.GetChannelName());
    query += "&macAddr=" + Utf8(mac);
    query += "&clientversion=" + Utf8(config.GetVersion());
    return query;
}

std::string FetchCommandsQuery(const CConfig& config, const DeviceIdentity& device,
                               const QString& mac) {
    return "/api/getSiDeviceCmdList.json?" + DeviceQuery(config, device, mac, "");
}

std::string AddCommandQuery(const CConfig& config, const DeviceIdentity& device, const QString& mac,
                            const CommandRecord& record) {
    return "/api/editiorAddSiDeviceCmd.json?customName=" + Encoded(record.customName) +
           "&customCmd=" + Encoded(record.customCmd) + "&cmdType=" + Utf8(record.cmdType) +
           DeviceQuery(config, device, mac, "&");
}

std::string DeleteCommandQuery(const CConfig& config, const DeviceIdentity& device,
                               const QString& mac, const QString& customCmd) {
    return "/api/deleteSiDeviceCmd.json?customCmd=" + Encoded(customCmd) +
           DeviceQuery(config, device, mac, "&");
}

std::optional<std::vector<CommandRecord>> ParseCommandList(const std::string& body) {
    const ServiceReply reply = ServiceReply::Parse(body);
    if (!reply.ok || !reply.data.isArray())
        return std::nullopt;
    std::vector<CommandRecord> records;
    for (const Json::Value& item : reply.data) {
        CommandRecord record;
        if (!item.isObject() || !ReadMember(item, "customName", record.customName) ||
            !ReadMember(item, "customCmd", record.customCmd) ||
            !ReadMember(item, "cmdType", record.cmdType) ||
            !ReadMember(item, "isshow", record.isshow))
            return std::nullopt;
        if (record.isshow == QLatin1String("1"))
            records.push_back(std::move(record));
    }
    return records;
}
