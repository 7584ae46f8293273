// Steadiness of capture: the interval between 100 ms blocks reaching the sender thread, its
// jitter, and blocks missing, over a run of the given length in seconds (default 60).

#include "BenchSource.h"
#include "WarmUp.h"

#include "speech/CWaveRecorder.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

using Clock = std::chrono::steady_clock;

int main(int argc, char** argv) {
    double seconds = 60;
    bool useDefault = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--default") == 0)
            useDefault = true;
        else
            seconds = std::max(1.0, std::atof(argv[i]));
    }
    BenchSource source(useDefault);

    CWaveRecorder recorder;
    auto sender = std::make_shared<ThreadMessageQueue>();
    if (!OpenWarmRecorder(recorder, *sender))
        return 1;
    recorder.SetSenderThread(sender);
    if (recorder.Start() != 0) {
        std::printf("capture could not be started\n");
        return 1;
    }
    std::vector<Clock::time_point> arrivals;
    std::size_t bytes = 0;
    std::size_t wrongSize = 0;
    const Clock::time_point end = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                                     std::chrono::duration<double>(seconds));
    while (Clock::now() < end) {
        ThreadMessage message;
        if (!sender->TakeFor(message, std::chrono::milliseconds(500)))
            continue;
        arrivals.push_back(Clock::now());
        bytes += message.data.size();
        if (message.data.size() != CWaveRecorder::kBlockBytes)
            ++wrongSize;
    }
    recorder.Stop();
    recorder.Close();
    if (arrivals.size() < 3) {
        std::printf("too few blocks (%zu)\n", arrivals.size());
        return 1;
    }

    // The first interval includes start-up; steadiness is measured from the second block on.
    std::vector<double> intervals;
    for (std::size_t i = 2; i < arrivals.size(); ++i)
        intervals.push_back(
            std::chrono::duration<double, std::milli>(arrivals[i] - arrivals[i - 1]).count());
    double sum = 0;
    for (double v : intervals)
        sum += v;
    const double mean = sum / static_cast<double>(intervals.size());
    double squares = 0;
    double worst = 0;
    std::size_t late = 0;
    for (double v : intervals) {
        squares += (v - mean) * (v - mean);
        worst = std::max(worst, std::fabs(v - 100.0));
        if (v > 150.0)
            ++late;
    }
    std::vector<double> sorted = intervals;
    std::sort(sorted.begin(), sorted.end());
    const double span =
        std::chrono::duration<double, std::milli>(arrivals.back() - arrivals[1]).count();
    const double expected = span / 100.0;
    std::printf("run %.0f s: %zu blocks, %zu bytes, %zu of the wrong size\n", seconds,
                arrivals.size(), bytes, wrongSize);
    std::printf("interval mean %.3f ms, jitter (std dev) %.3f ms, p1 %.2f ms, p99 %.2f ms, "
                "largest deviation from 100 ms %.2f ms\n",
                mean, std::sqrt(squares / static_cast<double>(intervals.size())),
                sorted[sorted.size() / 100], sorted[sorted.size() * 99 / 100], worst);
    // A late block is followed by an early one when nothing is lost, so losses show only in
    // the count against the elapsed time.
    const long missing = std::lround(expected) - static_cast<long>(intervals.size());
    std::printf("late blocks (interval over 150 ms): %zu; blocks missing: %ld (%.1f expected by "
                "elapsed time, %zu received)\n",
                late, std::max(0L, missing), expected, intervals.size());
    return 0;
}
