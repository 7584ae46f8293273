#pragma once

#include "app/WindowFactories.h"

#include <QString>

#include <functional>
#include <memory>

class CConfig;
class UserInfo;

// What the account, settings, feedback, help and colour windows need from the rest of the
// program. The windows are registered before the main window and the window manager exist, so
// the calls are looked up each time they are used. An empty call does nothing.
struct ServiceWindowLinks {
    std::shared_ptr<CConfig> config;
    std::shared_ptr<UserInfo> user;
    // Posts a message (signed in, signed out, colour changed) to the main window.
    std::function<void(unsigned msg)> postToMainWindow;
    // Records a usage event with its two texts.
    std::function<void(int kind, const QString& first, const QString& second)> recordUsage;
    // Opens another dialog through the window manager (the sign-in window, the area list).
    std::function<bool(DialogWnd kind, const DialogRequest& request)> openDialog;
    // Makes the main window show the texts of the language just applied.
    std::function<void()> reloadMainWindowTexts;
    // The update button: starts an update check that the user asked for.
    std::function<void()> startUpdateCheck;
    // Hands an address to the desktop (the user's browser); via names who asked ("help").
    std::function<void(const QString& target, const QString& via)> openTarget;
};

// Fills the dialog slots of the sign-in, settings, feedback, help, colour and combined windows.
void RegisterServiceWindows(WindowFactories& factories, ServiceWindowLinks links);
