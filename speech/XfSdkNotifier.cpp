#include "speech/XfSdkNotifier.h"

#include "platform/DebugChannel.h"
#include "speech/IIatCallBack.h"
#include "speech/sdk/ResultWords.h"

#include <json/json.h>

#include <cstring>
#include <memory>

namespace {

bool ParseJsonObject(const char* text, Json::Value& root) {
    Json::CharReaderBuilder builder;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    return reader->parse(text, text + std::strlen(text), &root, nullptr) && root.isObject();
}

} // namespace

bool ParseSdkResult(const char* result, SdkResultText& out) {
    Json::Value root;
    if (!result || !ParseJsonObject(result, root))
        return false;
    out.text = speechsdk::JoinResultWords(root["ws"]);
    const Json::Value& pgs = root["pgs"];
    out.mode = pgs.isString() ? pgs.asString() : std::string("apd");
    return true;
}

SpeechRecNotifier MakeXfSdkNotifier(IIatCallBack* callback) {
    SpeechRecNotifier notifier;
    notifier.onResult = [callback](const char* result, bool last) {
        SdkResultText parsed;
        if (!ParseSdkResult(result, parsed))
            return;
        if (callback)
            callback->OnResult(parsed.text.c_str(), last, parsed.mode);
    };
    notifier.onSpeechBegin = [](CSpeechRecognizer&) {
        platform::OutputDebug(QStringLiteral("Start Listening...\n"));
    };
    notifier.onSpeechEnd = [callback](int reason) {
        if (reason != 0) {
            platform::OutputDebug(QStringLiteral("\nRecognizer error \n"));
            return;
        }
        platform::OutputDebug(QStringLiteral("\nSpeaking done \n"));
        if (callback)
            callback->OnSpeechEnd();
    };
    return notifier;
}
