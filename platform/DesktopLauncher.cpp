#include "platform/IDesktopLauncher.h"
#include "platform/SimEvents.h"
#include "platform/linux/CDesktopLauncher.h"
#include "platform/sim/SimDesktopLauncher.h"

#include <memory>

namespace platform {

IDesktopLauncher& DesktopLauncher() {
    static const std::unique_ptr<IDesktopLauncher> launcher =
        SimulatorActive() ? std::unique_ptr<IDesktopLauncher>(new sim::SimDesktopLauncher)
                          : std::unique_ptr<IDesktopLauncher>(new CDesktopLauncher);
    return *launcher;
}

} // namespace platform
