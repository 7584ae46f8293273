// CPU time of an idle mouse reading thread (blocked in its read, no reports) and of one whose
// device was unplugged under it (every read fails until the stop flag), by getrusage.

#include "DeviceBenchWorld.h"

#include <cstdio>
#include <sys/resource.h>

namespace {
double ProcessCpuMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

void Measure(const char* what, int seconds) {
    const double before = ProcessCpuMs();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double used = ProcessCpuMs() - before;
    std::printf("  %s: %.1f ms CPU in %d s (%.2f%% of a core)\n", what, used, seconds,
                used / (seconds * 10.0));
}
} // namespace

int main() {
    DeviceBenchWorld world;
    if (!world.StartMouseThread()) {
        std::fprintf(stderr, "cannot start the simulator world\n");
        return 1;
    }
    std::printf("mouse reading thread, whole process CPU (getrusage)\n");
    Measure("idle, device open", 5);
    world.Unplug("mouse");
    Measure("device unplugged, thread still running", 5);
    return 0;
}
