#pragma once

#include <memory>

class CConfig;
struct WindowFactories;
namespace platform {
class IScreen;
}

// What the laser dot and the magnifier lens need from the rest of the program.
struct ScreenToolLinks {
    // lp_color and lp_multiple.
    std::shared_ptr<const CConfig> config;
    // Pointer and screen snapshot; the platform's own when null.
    std::shared_ptr<platform::IScreen> screen;
};

// Fills the laser and magnifier slots of the window factories.
void RegisterScreenToolWindows(WindowFactories& factories, ScreenToolLinks links);
