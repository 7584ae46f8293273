// How quickly capture gets going: the time Start takes, the time until the first samples flow,
// and the time until the first 100 ms block reaches the sender thread, over 50 starts.

#include "BenchSource.h"
#include "WarmUp.h"

#include "platform/IAudioCapture.h"
#include "speech/CWaveRecorder.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

using Clock = std::chrono::steady_clock;

namespace {

constexpr int kStarts = 50;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

void Print(const char* what, std::vector<double> values) {
    if (values.empty()) {
        std::printf("%-34s no samples\n", what);
        return;
    }
    std::sort(values.begin(), values.end());
    const double median = values[values.size() / 2];
    const double p90 = values[values.size() * 9 / 10];
    std::printf("%-34s median %7.2f ms  p90 %7.2f ms  max %7.2f ms  (n=%zu)\n", what, median, p90,
                values.back(), values.size());
}

// Start -> first 10 ms block through the capture layer: samples flow at once when this is
// about 10 ms.
std::vector<double> FirstSamples() {
    std::vector<double> result;
    auto capture = platform::CreateAudioCapture();
    std::mutex mutex;
    std::condition_variable arrived;
    bool got = false;
    Clock::time_point at;
    platform::CaptureFormat format;
    format.blockBytes = 320;
    if (capture->Open(format, [&](const char*, std::size_t, bool partial) {
            if (partial)
                return;
            std::lock_guard<std::mutex> lock(mutex);
            if (!got) {
                got = true;
                at = Clock::now();
                arrived.notify_all();
            }
        }) != 0) {
        std::printf("capture could not be opened\n");
        return result;
    }
    for (int i = 0; i < kStarts; ++i) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            got = false;
        }
        const Clock::time_point start = Clock::now();
        if (capture->Start() != 0)
            continue;
        std::unique_lock<std::mutex> lock(mutex);
        if (arrived.wait_for(lock, std::chrono::seconds(2), [&] { return got; }))
            result.push_back(Ms(at - start));
        lock.unlock();
        capture->Stop();
    }
    capture->Close();
    return result;
}

} // namespace

int main(int argc, char** argv) {
    const bool useDefault = argc > 1 && std::strcmp(argv[1], "--default") == 0;
    BenchSource source(useDefault);

    CWaveRecorder recorder;
    auto sender = std::make_shared<ThreadMessageQueue>();
    if (!OpenWarmRecorder(recorder, *sender))
        return 1;
    std::vector<double> startCall;
    std::vector<double> firstBlock;
    for (int i = 0; i < kStarts; ++i) {
        recorder.SetSenderThread(sender);
        const Clock::time_point start = Clock::now();
        if (recorder.Start() != 0)
            continue;
        startCall.push_back(Ms(Clock::now() - start));
        ThreadMessage message;
        if (sender->TakeFor(message, std::chrono::seconds(2)) &&
            message.message == CWaveRecorder::kAudioDataMessage)
            firstBlock.push_back(Ms(Clock::now() - start));
        recorder.Stop();
        while (sender->TryTake(message)) {
        }
    }
    recorder.Close();

    Print("Start call returns", startCall);
    Print("start -> first 10 ms block", FirstSamples());
    Print("start -> first 100 ms block", firstBlock);
    return 0;
}
