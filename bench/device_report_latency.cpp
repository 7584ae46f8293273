// Report arrival to posted message, through the simulator: the time from asking the world to
// deliver one key report to the reading thread's call of the message poster: the device
// link's share of the path. report_to_message.py measures it up to the main window's handler.

#include "DeviceBenchWorld.h"

#include <algorithm>
#include <cstdio>

int main() {
    DeviceBenchWorld world;
    if (!world.StartMouseThread()) {
        std::fprintf(stderr, "cannot start the simulator world\n");
        return 1;
    }

    const int rounds = 300;
    std::vector<double> micros;
    for (int i = 0; i < rounds; ++i) {
        const size_t before = world.PostedCount();
        const auto sent = DeviceBenchWorld::Clock::now();
        world.Report("mouse", MouseKeyReport(i % 2 == 0 ? "21" : "22"));
        if (!world.WaitPosted(before + 1, std::chrono::seconds(2))) {
            std::fprintf(stderr, "report %d produced no message\n", i);
            return 1;
        }
        const auto posted = world.PostedMessages()[before].at;
        micros.push_back(std::chrono::duration<double, std::micro>(posted - sent).count());
        // Let the thread finish its pause after the report.
        std::this_thread::sleep_for(std::chrono::milliseconds(8));
    }
    std::sort(micros.begin(), micros.end());
    std::printf("report arrival -> message poster (simulator, %d reports)\n", rounds);
    std::printf("  median %.0f us, p95 %.0f us, max %.0f us\n", micros[micros.size() / 2],
                micros[micros.size() * 95 / 100], micros.back());
    return 0;
}
