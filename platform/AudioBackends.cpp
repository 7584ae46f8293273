#include "platform/IAudioCapture.h"
#include "platform/IAudioEndpointList.h"
#include "platform/linux/PulseCapture.h"
#include "platform/linux/PulseConnection.h"
#include "platform/linux/PulseEndpointList.h"

// The simulator's microphone (VELMORA_SIMULATOR, platform::SimulatorActive()) is chosen in
// these two factories, ahead of PulseAudio, once it exists.

namespace platform {

std::unique_ptr<IAudioCapture> CreateAudioCapture() {
    return std::make_unique<linux_audio::PulseCapture>();
}

std::unique_ptr<IAudioEndpointList> CreateAudioEndpointList() {
    return std::make_unique<linux_audio::PulseEndpointList>();
}

std::string AudioErrorText(int code) {
    return linux_audio::PulseConnection::ErrorText(code);
}

} // namespace platform
