#pragma once

#include <cstdint>
#include <string>

// What a recognition engine reports back to its owner. Calls arrive on engine threads (the SDK
// recorder's callback thread, an engine worker or a WebSocket event loop), never on the UI
// thread; implementations must be safe to call from any of them.
class IIatCallBack {
public:
    // Reasons of OnReserved1: the service did not answer, it refused the credentials, or the
    // engine lacks an address or credential to ask it at all.
    static constexpr std::int32_t kFailureUnreachable = 1;
    static constexpr std::int32_t kFailureRefused = 2;
    static constexpr std::int32_t kFailureUnconfigured = 3;

    virtual ~IIatCallBack() = default;

    // The SDK's end-of-speech detection closed the session by itself.
    virtual void OnSpeechEnd() = 0;
    // text: UTF-8; last: final result of the session; mode: "apd" appends settled text,
    // "rpl" replaces the unsettled text delivered before it.
    virtual void OnResult(const char* text, bool last, std::string mode) = 0;
    virtual void OnResultString(const std::string& text, bool last, std::string mode) = 0;
    // The streaming engines report a session that could not start or was cut off by its
    // vendor with (one of the reasons below, 0); nothing more comes for that session.
    virtual void OnReserved1(std::int32_t first, std::int32_t second) = 0;
    virtual void OnReserved2(std::int32_t first, std::int32_t second) = 0;
};
