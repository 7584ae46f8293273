#include "service/windows/ServiceWindowLinks.h"

#include "service/windows/CColorWnd.h"
#include "service/windows/CCommonWnd.h"
#include "service/windows/CFreebackWnd.h"
#include "service/windows/CHelpWnd.h"
#include "service/windows/CLoginWnd.h"
#include "service/windows/CSetWnd.h"

void RegisterServiceWindows(WindowFactories& factories, ServiceWindowLinks links) {
    factories.dialogs[DialogWnd::Set] = [links](const DialogRequest&) {
        return new CSetWnd(links);
    };
    factories.dialogs[DialogWnd::Freeback] = [links](const DialogRequest&) {
        return new CFreebackWnd(links);
    };
    factories.dialogs[DialogWnd::Help] = [links](const DialogRequest&) {
        return new CHelpWnd(links);
    };
    factories.dialogs[DialogWnd::Login] = [links](const DialogRequest&) {
        return new CLoginWnd(links);
    };
    factories.dialogs[DialogWnd::Color] = [links](const DialogRequest& request) {
        return new CColorWnd(links, request.argument.toInt());
    };
    factories.dialogs[DialogWnd::Common] = [links](const DialogRequest&) {
        return new CCommonWnd(links);
    };
}
