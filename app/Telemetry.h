#pragma once

#include <QString>

#include <memory>

class CConfig;

// Fire-and-forget reports of usage and of the connected device to the maker's service. Each
// call returns at once; a detached thread of its own sends one form POST (limits 2 s / 3 s)
// and writes the body, then "success\n" or "failed\n", to the debug channel. Nothing waits
// for a report and nothing is retried.
//
// The thread shares ownership of the settings and reads the device values (sn, vid, pid,
// version, channel name) when it builds its body, so a report sent before any device is found
// carries empty device values.

// Reports a usage event: its kind and up to two texts, all sent unchanged as UTF-8.
void RecordUsageEvent(std::shared_ptr<const CConfig> config, int kind, const QString& firstText,
                      const QString& secondText);

// Reports the connected device for the signed-in user (0 when nobody is signed in).
void SendDeviceInfo(std::shared_ptr<const CConfig> config, long long userId);

// The fixed first text of a usage event kind; empty for kinds whose first text the caller
// supplies (2, the typed translation) and for unknown kinds.
QString UsageEventText(int kind);
