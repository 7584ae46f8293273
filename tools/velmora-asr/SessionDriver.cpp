#include "tools/velmora-asr/SessionDriver.h"

#include "speech/sdk/SpeechSdk.h"

#include <algorithm>
#include <chrono>
#include <thread>

using namespace speechsdk;

namespace {

// Fetches until recognition is complete; an error code ends the session on error.
int FetchUntilComplete(const char* session, int recognitionStatus,
                       const std::function<void(const char*)>& onResult) {
    while (recognitionStatus != kRecognitionComplete) {
        int error = kSuccess;
        const char* result = GetResult(session, &recognitionStatus, 0, &error);
        if (error != kSuccess)
            return error;
        if (result != nullptr)
            onResult(result);
        else if (recognitionStatus != kRecognitionComplete)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return kSuccess;
}

} // namespace

int SessionDriver::Run(const std::vector<uint8_t>& pcm, const std::string& params,
                       const std::function<void(const char*)>& onResult) {
    SignIn(nullptr, nullptr, "appid = 00000000, work_dir = .");
    int error = kSuccess;
    const char* session = SessionBegin(nullptr, params.c_str(), &error);
    if (session == nullptr)
        return error;
    int endpoint = kEndpointLookingForSpeech;
    int recognition = kRecognitionIncomplete;
    int audioStatus = kAudioFirst;
    for (std::size_t at = 0; at < pcm.size(); at += kBlockBytes) {
        const auto length = static_cast<unsigned int>(std::min(kBlockBytes, pcm.size() - at));
        error = AudioWrite(session, pcm.data() + at, length, audioStatus, &endpoint, &recognition);
        if (error != kSuccess) {
            SessionEnd(session, "err");
            return error;
        }
        audioStatus = kAudioContinue;
        if (recognition == kRecognitionResultReady) {
            const char* result = GetResult(session, &recognition, 0, &error);
            if (error != kSuccess) {
                SessionEnd(session, "err");
                return error;
            }
            if (result != nullptr)
                onResult(result);
        }
        if (endpoint == kEndpointAfterSpeech) {
            error = FetchUntilComplete(session, recognition, onResult);
            SessionEnd(session, error == kSuccess ? "VAD Normal" : "err");
            return error;
        }
    }
    error = AudioWrite(session, nullptr, 0, kAudioLast, &endpoint, &recognition);
    if (error != kSuccess) {
        SessionEnd(session, "write err");
        return error;
    }
    error = FetchUntilComplete(session, recognition, onResult);
    SessionEnd(session, error == kSuccess ? "normal" : "err");
    return error;
}
