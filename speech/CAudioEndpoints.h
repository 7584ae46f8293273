#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace platform {
class IAudioEndpointList;
}

// The capture sources of the system with their friendly names, index for index, and the
// choice of the default source by name. Shared by the settings window and the engines.
class CAudioEndpoints {
public:
    CAudioEndpoints();
    ~CAudioEndpoints();
    CAudioEndpoints(const CAudioEndpoints&) = delete;
    CAudioEndpoints& operator=(const CAudioEndpoints&) = delete;

    // Lists the sources anew. A failure ends the listing quietly with what was found.
    void Refresh();
    QStringList Names() const;
    // Makes the first source whose friendly name contains text the default capture source.
    // False when no name matches or the audio system refuses.
    bool SelectByName(const QString& text);

private:
    std::unique_ptr<platform::IAudioEndpointList> m_system;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_ids;
    QStringList m_names;
};
