#include "screentools/ScreenToolWindows.h"

#include "app/WindowFactories.h"
#include "screentools/CImageWnd.h"
#include "screentools/CLPWnd.h"

void RegisterScreenToolWindows(WindowFactories& factories, ScreenToolLinks links) {
    factories.floating[FloatingWnd::Laser] = [links] { return new CLPWnd(links.config); };
    factories.floating[FloatingWnd::Magnifier] = [links] {
        return new CImageWnd(links.config, links.screen);
    };
}
