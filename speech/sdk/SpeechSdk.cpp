#include "speech/sdk/SpeechSdk.h"

#include "speech/sdk/DecoderCache.h"
#include "speech/sdk/ModelLocator.h"
#include "speech/sdk/RecognitionSession.h"
#include "speech/sdk/SessionParams.h"
#include "speech/sdk/SessionTable.h"

#include <atomic>
#include <cstdio>
#include <mutex>
#include <new>

namespace speechsdk {
namespace {

std::atomic<bool> signedIn{false};

SessionTable& Sessions() {
    static SessionTable table;
    return table;
}

std::mutex& LogHookMutex() {
    static std::mutex mutex;
    return mutex;
}

std::function<void(const std::string&)>& LogHook() {
    static std::function<void(const std::string&)> hook;
    return hook;
}

void Log(const std::string& line) {
    std::lock_guard<std::mutex> lock(LogHookMutex());
    if (LogHook())
        LogHook()(line);
    else
        std::fprintf(stderr, "%s\n", line.c_str());
}

const char* Fail(int code, int* errorCode) {
    if (errorCode != nullptr)
        *errorCode = code;
    return nullptr;
}

const char* OpenSession(const SessionParams& params, int* errorCode) {
    const auto locator = ModelLocator::ForProgram();
    const auto model = locator.Find(params.language, params.accent);
    if (!model) {
        Log("speech sdk: no recognition model for language " + params.language + ", accent " +
            params.accent + ": looked for " + locator.FolderFor(params.language, params.accent));
        return Fail(kErrorModelNotFound, errorCode);
    }
    DecoderPtr decoder = DecoderCache::Instance().Acquire(*model);
    if (!decoder) {
        Log("speech sdk: the recognition model in " + model->folder + " could not be loaded");
        return Fail(kErrorModelLoad, errorCode);
    }
    auto session = std::make_shared<RecognitionSession>(params, *model, std::move(decoder));
    const int started = session->Start();
    if (started != kSuccess) {
        DecoderCache::Instance().Release(*model, session->Close());
        return Fail(started, errorCode);
    }
    const char* handle = Sessions().Add(std::move(session));
    if (errorCode != nullptr)
        *errorCode = kSuccess;
    return handle;
}

} // namespace

int SignIn(const char* /*user*/, const char* /*password*/, const char* /*params*/) {
    signedIn = true;
    // The engine's English sessions ask for accent "mandarin"; warm up the model they will get.
    if (const auto english = ModelLocator::ForProgram().Find("en_us", "mandarin"))
        DecoderCache::Instance().Preload(*english);
    return kSuccess;
}

int SignOut() {
    signedIn = false;
    return kSuccess;
}

const char* SessionBegin(const char* /*grammarList*/, const char* params, int* errorCode) {
    if (!signedIn)
        return Fail(kErrorNotInitialised, errorCode);
    try {
        return OpenSession(SessionParams::Parse(params), errorCode);
    } catch (const std::bad_alloc&) {
        return Fail(kErrorOutOfMemory, errorCode);
    }
}

int AudioWrite(const char* session, const void* data, unsigned int length, int audioStatus,
               int* endpointStatus, int* recognitionStatus) {
    const auto found = Sessions().Find(session);
    if (!found)
        return kErrorInvalidHandle;
    try {
        return found->Write(data, length, audioStatus, endpointStatus, recognitionStatus);
    } catch (const std::bad_alloc&) {
        return kErrorOutOfMemory;
    }
}

const char* GetResult(const char* session, int* recognitionStatus, int /*waitMs*/, int* errorCode) {
    const auto found = Sessions().Find(session);
    if (!found)
        return Fail(kErrorInvalidHandle, errorCode);
    if (errorCode != nullptr)
        *errorCode = kSuccess;
    return found->NextResult(recognitionStatus);
}

int SessionEnd(const char* session, const char* /*hints*/) {
    const auto removed = Sessions().Remove(session);
    if (!removed)
        return kErrorInvalidHandle;
    DecoderCache::Instance().Release(removed->Model(), removed->Close());
    return kSuccess;
}

void SetLogHook(std::function<void(const std::string& line)> hook) {
    std::lock_guard<std::mutex> lock(LogHookMutex());
    LogHook() = std::move(hook);
}

} // namespace speechsdk
