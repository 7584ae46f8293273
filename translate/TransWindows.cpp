#include "translate/TransWindows.h"

#include "app/WindowFactories.h"
#include "translate/CGetWordWnd.h"
#include "translate/CTransWnd.h"

void RegisterTransWindows(WindowFactories& factories, TransWindowLinks links) {
    factories.floating[FloatingWnd::Trans] = [links] { return new CTransWnd(links); };
    factories.floating[FloatingWnd::GetWord] = [links] { return new CGetWordWnd(links); };
}
