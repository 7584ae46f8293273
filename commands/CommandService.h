#pragma once

#include "commands/CommandRecord.h"

#include <QString>

#include <optional>
#include <string>
#include <vector>

class CConfig;

// The request texts and the reply rules of the custom-command service. Pure functions; the
// transfers are CCmdManager's.

// The device a request speaks for.
struct DeviceIdentity {
    int deviceKind = 0; // 0 mouse, 1 pen, 2 third device
    QString vid, pid, sn;
};

// The identity the settings hold for a kind: vid/pid/sn for the mouse, lp_vid/lp_pid/lp_sn for
// the pen, none for the third device.
DeviceIdentity IdentityFromConfig(const CConfig& config, int deviceKind);

// The device and client values every command request ends with: "vid=…&pid=…&sn=…" (left out
// for the third device), "&channelName=" (encoded), "&macAddr=", "&clientversion=". `lead` is
// "" right after "?", "&" after the operation's own values.
std::string DeviceQuery(const CConfig& config, const DeviceIdentity& device, const QString& mac,
                        const char* lead);

// Path and query after the service base.
std::string FetchCommandsQuery(const CConfig& config, const DeviceIdentity& device,
                               const QString& mac);
std::string AddCommandQuery(const CConfig& config, const DeviceIdentity& device, const QString& mac,
                            const CommandRecord& record);
std::string DeleteCommandQuery(const CConfig& config, const DeviceIdentity& device,
                               const QString& mac, const QString& customCmd);

// The list a reply body carries: only for a JSON object with "rc" "0" (text or number) whose
// "data" is an array of objects whose present members customName, customCmd, cmdType and
// isshow are strings; records whose isshow is not "1" are left out, order kept. Nothing (the
// lists stay as they are) for anything else.
std::optional<std::vector<CommandRecord>> ParseCommandList(const std::string& body);
