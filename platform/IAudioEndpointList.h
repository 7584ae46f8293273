#pragma once

#include <QString>

#include <memory>
#include <string>
#include <vector>

namespace platform {

struct AudioSourceInfo {
    std::string id;      // the audio system's name for the source
    QString description; // the name people see
};

// The capture sources of the system (microphones and line inputs, not recordings of outputs)
// and the choice of the default one. Functions return 0 or a negative error code.
class IAudioEndpointList {
public:
    virtual ~IAudioEndpointList() = default;

    // Fills sources in the audio system's order; on failure keeps what was found before it.
    virtual int ListSources(std::vector<AudioSourceInfo>& sources) = 0;
    // Makes the source with this id the one that default-source capture opens.
    virtual int SetDefaultSource(const std::string& id) = 0;
};

std::unique_ptr<IAudioEndpointList> CreateAudioEndpointList();

} // namespace platform
