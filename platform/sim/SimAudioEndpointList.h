#pragma once

#include "platform/IAudioEndpointList.h"

namespace platform::sim {

// The capture sources of the simulator world and its default source, asked over the control
// connection. Errors are those of the desktop back end.
class SimAudioEndpointList : public IAudioEndpointList {
public:
    int ListSources(std::vector<AudioSourceInfo>& sources) override;
    int SetDefaultSource(const std::string& id) override;
};

} // namespace platform::sim
