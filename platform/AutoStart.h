#pragma once

#include <QString>

namespace platform {

// Start with the user's desktop session: an XDG autostart entry named after the channel in
// $XDG_CONFIG_HOME/autostart (default ~/.config/autostart).
class AutoStart {
public:
    explicit AutoStart(const QString& channelName);

    // Writes the entry for the running executable unless an identical one is already there.
    // Returns true when the entry now exists with the expected content.
    bool Enable() const;
    enum class EntryState { Missing, Current, Different };
    // Whether the entry exists and starts the running executable; an entry left by an older
    // install, damaged or unreadable is Different.
    EntryState State() const;
    // Removes the entry; true when it no longer exists.
    bool Disable() const;

    QString EntryPath() const;
    // The entry text for an executable path.
    QString EntryText(const QString& executablePath) const;

private:
    QString m_channelName;
};

} // namespace platform
