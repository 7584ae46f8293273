#pragma once

#include "speech/CSpeechRecognizer.h"

#include <string>

class IIatCallBack;

// One JSON result of the recognition library as the owner receives it.
struct SdkResultText {
    std::string text; // every "w" of every "cw" of every "ws" element, in order
    std::string mode; // the result's "pgs" when it has one, else "apd"
};

// False for a result that is not a JSON object (plain-text results, for example).
bool ParseSdkResult(const char* result, SdkResultText& out);

// The recogniser's notifier of the SDK engine: results go to callback->OnResult, the end of
// speech to callback->OnSpeechEnd; the rest goes to the debug channel. callback must outlive
// every session.
SpeechRecNotifier MakeXfSdkNotifier(IIatCallBack* callback);
