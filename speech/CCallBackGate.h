#pragma once

#include "speech/IIatCallBack.h"

#include <mutex>

// Stands between an engine's threads and its owner's IIatCallBack. Once Close has returned no
// report reaches the owner any more, and a report that was under way has finished: an engine
// closes it in its destructor, so a thread that outlives the engine never calls an owner that
// is going away.
class CCallBackGate : public IIatCallBack {
public:
    explicit CCallBackGate(IIatCallBack* owner) : m_owner(owner) {}

    void Close();

    void OnSpeechEnd() override;
    void OnResult(const char* text, bool last, std::string mode) override;
    void OnResultString(const std::string& text, bool last, std::string mode) override;
    void OnReserved1(std::int32_t first, std::int32_t second) override;
    void OnReserved2(std::int32_t first, std::int32_t second) override;

private:
    std::mutex m_lock; // held through every report
    IIatCallBack* m_owner;
};
