// A burst of 1000 key reports queued at once: how fast the mouse reading thread drains it
// (about 160 reports per second by its 6 ms pause) and whether any report is lost.

#include "DeviceBenchWorld.h"

#include <cstdio>

int main() {
    DeviceBenchWorld world;
    if (!world.StartMouseThread()) {
        std::fprintf(stderr, "cannot start the simulator world\n");
        return 1;
    }
    const size_t before = world.PostedCount();

    const int reports = 1000;
    const auto start = DeviceBenchWorld::Clock::now();
    for (int i = 0; i < reports; ++i)
        world.Report("mouse", MouseKeyReport(i % 2 == 0 ? "21" : "22"));
    const auto queued = DeviceBenchWorld::Clock::now();
    world.WaitPosted(before + reports, std::chrono::seconds(30));
    const auto messages = world.PostedMessages();
    const size_t handled = messages.size() - before;
    const double seconds = std::chrono::duration<double>(messages.back().at - start).count();
    std::printf("burst of %d key reports (alternating down/up)\n", reports);
    std::printf("  queued in %.0f ms\n",
                std::chrono::duration<double, std::milli>(queued - start).count());
    std::printf("  messages %zu of %d (%s)\n", handled, reports,
                handled == static_cast<size_t>(reports) ? "none lost" : "LOST REPORTS");
    std::printf("  drained in %.2f s: %.0f reports/s\n", seconds, handled / seconds);
    return handled == static_cast<size_t>(reports) ? 0 : 1;
}
