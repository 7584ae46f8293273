#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <string>

class CConfig;
class ITransCallBack;
class ITransEngine;
struct WindowFactories;
namespace platform {
class IClipboard;
class IScreen;
} // namespace platform

// What the translation and get-word windows need from the rest of the program. The windows are
// made before the main window exists, so calls bound to it are looked up when used.
struct TransWindowLinks {
    // Target language, translation service; a language choice is stored here.
    std::shared_ptr<CConfig> config;
    // 0 mouse, 1 pen, 2 third device.
    std::function<int()> deviceKind;
    // A language was chosen in a window (message 1135 to the main window).
    std::function<void()> languageChosen;
    // Puts the text on the clipboard and pastes it into the focused window. Runs on a worker
    // thread; false when nothing was pasted.
    std::function<bool(const QString& text)> paste;
    // Usage event: kind, first and second text.
    std::function<void(int kind, const QString& first, const QString& second)> recordUsage;
    // Makes an engine answering to the callback; a CTransEngine when empty.
    std::function<std::unique_ptr<ITransEngine>(ITransCallBack* callBack)> makeEngine;
    // Caret, pointer and screen size; the platform's own when null.
    std::shared_ptr<platform::IScreen> screen;
    // Where "copy" puts the translation; the platform's own when null.
    std::shared_ptr<platform::IClipboard> clipboard;
};

// Fills the translation and get-word slots of the window factories.
void RegisterTransWindows(WindowFactories& factories, TransWindowLinks links);
