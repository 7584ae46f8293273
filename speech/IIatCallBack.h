#pragma once

#include <cstdint>
#include <string>

// What a recognition engine reports back to its owner. Calls arrive on engine threads (the SDK
// recorder's callback thread, an engine worker or a WebSocket event loop), never on the UI
// thread; implementations must be safe to call from any of them.
class IIatCallBack {
public:
    virtual ~IIatCallBack() = default;

    // The SDK's end-of-speech detection closed the session by itself.
    virtual void OnSpeechEnd() = 0;
    // text: UTF-8; last: final result of the session; mode: "apd" appends settled text,
    // "rpl" replaces the unsettled text delivered before it.
    virtual void OnResult(const char* text, bool last, std::string mode) = 0;
    virtual void OnResultString(const std::string& text, bool last, std::string mode) = 0;
    virtual void OnReserved1(std::int32_t first, std::int32_t second) = 0;
    virtual void OnReserved2(std::int32_t first, std::int32_t second) = 0;
};
