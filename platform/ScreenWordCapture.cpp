#include "platform/IScreenWordCapture.h"

#include "platform/SimEvents.h"
#include "platform/linux/X11ScreenWordCapture.h"
#include "platform/sim/SimScreenWordCapture.h"

namespace platform {

namespace {
// What the program runs with when the desktop cannot watch selections: nothing is captured.
class UnavailableScreenWordCapture : public IScreenWordCapture {
public:
    bool IsAvailable() const override { return false; }
    void SetDelay(int) override {}
    void SetHighlightReadyCallback(HighlightReady) override {}
    void EnableHighlightCapture(bool) override {}
};
} // namespace

std::unique_ptr<IScreenWordCapture> CreateScreenWordCapture(QString* problem) {
    if (SimulatorActive())
        return std::make_unique<sim::SimScreenWordCapture>();
    if (auto capture = native::X11ScreenWordCapture::Open(
            std::string(), native::X11ScreenWordCapture::QtOwnClient(), problem))
        return capture;
    return std::make_unique<UnavailableScreenWordCapture>();
}

} // namespace platform
