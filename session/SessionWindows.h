#pragma once

#include <QString>

#include <functional>
#include <memory>

class CConfig;
class ITransCallBack;
class ITransEngine;
struct WindowFactories;
namespace platform {
class IScreen;
}

// What the voice tip, notice, floating icon and subtitle windows need from the rest of the program.
// The windows are made before the main window and the window manager exist, so the calls
// below are looked up each time they are used: bind them to whatever owns the answer later.
struct SessionWindowLinks {
    // uiLanguage decides the texts and widths.
    std::shared_ptr<const CConfig> config;
    // The current voice mode; 0 (typing) while it is unset.
    std::function<int()> voiceMode;
    // Usage events of the floating icon (kind 31).
    std::function<void(int kind, const QString& info)> recordUsage;
    // Opens the get-word window at (x, y) with the word (the icon's click).
    std::function<void(int x, int y, const QString& word)> openGetWord;
    // Screen size, caret and pointer; the platform's own when null.
    std::shared_ptr<platform::IScreen> screen;
    // Makes the subtitle band's own translation engine, answering to the band; null or a
    // null engine leaves the band without translations.
    std::function<std::unique_ptr<ITransEngine>(ITransCallBack*)> makeTransEngine;
};

// Fills the voice tip, notice, floating icon and subtitle slots of the window factories.
void RegisterSessionWindows(WindowFactories& factories, SessionWindowLinks links);
