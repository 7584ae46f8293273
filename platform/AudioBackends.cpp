#include "platform/IAudioCapture.h"
#include "platform/IAudioEndpointList.h"
#include "platform/SimEvents.h"
#include "platform/linux/PulseCapture.h"
#include "platform/linux/PulseConnection.h"
#include "platform/linux/PulseEndpointList.h"
#include "platform/sim/SimAudioCapture.h"
#include "platform/sim/SimAudioEndpointList.h"

// The simulator's microphone (VELMORA_SIMULATOR, platform::SimulatorActive()) is chosen ahead
// of PulseAudio. Both use PulseAudio's error codes, so AudioErrorText serves either.

namespace platform {

std::unique_ptr<IAudioCapture> CreateAudioCapture() {
    if (SimulatorActive())
        return std::make_unique<sim::SimAudioCapture>();
    return std::make_unique<linux_audio::PulseCapture>();
}

std::unique_ptr<IAudioEndpointList> CreateAudioEndpointList() {
    if (SimulatorActive())
        return std::make_unique<sim::SimAudioEndpointList>();
    return std::make_unique<linux_audio::PulseEndpointList>();
}

std::string AudioErrorText(int code) {
    return linux_audio::PulseConnection::ErrorText(code);
}

} // namespace platform
