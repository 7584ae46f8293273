#include "session/CTipWnd.h"

#include "session/TipTexts.h"

CTipWnd::CTipWnd(std::shared_ptr<const CConfig> config, std::shared_ptr<platform::IScreen> screen)
    : CTipWindowBase(std::move(config), std::move(screen)) {}

void CTipWnd::ShowNotice(int id) {
    if (GetHWND() == nullptr)
        return;
    SetTipText(tiptext::NoticeText(UiLanguage(), id));
    SetTimer(kHideTimer, kShowMs);
    const int width = WidthForShownText();
    std::optional<QPoint> place;
    if (const std::optional<QSize> screen = ScreenSize())
        place = QPoint(screen->width() - width, screen->height() - kBottomMargin);
    ShowSized(width, place);
}
