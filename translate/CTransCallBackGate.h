#pragma once

#include "translate/ITransCallBack.h"

#include <mutex>

// Stands between a translation engine's request threads and the engine owner's callback.
// Once Close has returned no answer reaches the owner any more, and an answer that was under
// way has finished: the engine closes it when it is destroyed, so a reply that comes late for
// a closed window is dropped instead of reaching a callback that is gone.
class CTransCallBackGate : public ITransCallBack {
public:
    explicit CTransCallBackGate(ITransCallBack* owner) : m_owner(owner) {}

    void Close();

    void OnTranslated(const std::string& text) override;
    void OnSpeakEnd() override;

private:
    // Held through every answer; recursive so that an owner may drop its engine from within.
    std::recursive_mutex m_lock;
    ITransCallBack* m_owner;
};
