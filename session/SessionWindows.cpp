#include "session/SessionWindows.h"

#include "app/WindowFactories.h"
#include "session/CIconWnd.h"
#include "session/CSubtitleWnd.h"
#include "session/CTipWnd.h"
#include "session/CVoiceTipWnd.h"

void RegisterSessionWindows(WindowFactories& factories, SessionWindowLinks links) {
    factories.floating[FloatingWnd::VoiceTip] = [links] {
        return new CVoiceTipWnd(links.config, links.voiceMode, links.screen);
    };
    factories.floating[FloatingWnd::Tip] = [links] {
        return new CTipWnd(links.config, links.screen);
    };
    factories.floating[FloatingWnd::Icon] = [links] {
        return new CIconWnd(links.recordUsage, links.openGetWord, links.screen);
    };
    factories.floating[FloatingWnd::Subtitle] = [links] {
        return new CSubtitleWnd(links.config, links.makeTransEngine, links.screen);
    };
}
