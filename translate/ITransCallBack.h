#pragma once

#include <string>

// Receives the outcome of a translation engine's requests. Calls come from the engine's
// request threads, never from the caller's: a window posts them to its own thread.
class ITransCallBack {
public:
    virtual ~ITransCallBack() = default;
    // The translation, or an empty text when the request failed.
    virtual void OnTranslated(const std::string& text) = 0;
    // The last piece of a Speak has finished playing (or was skipped).
    virtual void OnSpeakEnd() = 0;
};
