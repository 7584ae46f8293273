#include "translate/CGetWordWnd.h"

CGetWordWnd::CGetWordWnd(TransWindowLinks links) : CTransWndBase(std::move(links)) {}

void CGetWordWnd::ShowGetWord(int x, int y, const QString& word) {
    if (GetHWND() == nullptr)
        return;
    ShowSourceText(word);
    MoveWindow(x, y);
    ShowWindow(true, true);
    BringToForeground();
}

void CGetWordWnd::OnWindowDeactivated() {
    if (IsVisible())
        HideAndClear();
}

Qt::WindowFlags CGetWordWnd::AdjustWindowFlags(Qt::WindowFlags flags) const {
    return flags | Qt::WindowStaysOnTopHint;
}
