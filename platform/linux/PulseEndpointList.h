#pragma once

#include "platform/IAudioEndpointList.h"

namespace platform::linux_audio {

// Sources and the default source of the PulseAudio server. Each call makes its own short
// connection, so a server started or restarted since the last call is found.
class PulseEndpointList : public IAudioEndpointList {
public:
    int ListSources(std::vector<AudioSourceInfo>& sources) override;
    int SetDefaultSource(const std::string& id) override;
};

} // namespace platform::linux_audio
