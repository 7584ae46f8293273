#pragma once

#include <string>

// A translation and speech engine. Every window that translates owns one, made with its own
// callback; requests run on worker threads and answer there through that callback.
class ITransEngine {
public:
    virtual ~ITransEngine() = default;
    // Reserved slots kept in the interface's order; nobody calls them.
    virtual void Reserved1() {}
    virtual void Reserved2() {}
    // Translates with the first translation service ("baidu").
    virtual void Translate(const std::string& text) = 0;
    // The second service is not offered: this does nothing.
    virtual void TranslateGoogle(const std::string& text) = 0;
    // Reads the text aloud.
    virtual void Speak(std::string text) = 0;
};
