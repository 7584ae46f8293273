#pragma once

#include "translate/ITransCallBack.h"
#include "translate/ITransEngine.h"

#include <string>
#include <thread>
#include <vector>

// A translation engine the test answers by hand, from a thread of its own as the real
// engine's request threads do. UI thread only, apart from the answer's callback.
class FakeTransEngine : public ITransEngine {
public:
    explicit FakeTransEngine(ITransCallBack* callBack) : m_callBack(callBack) {}

    void Translate(const std::string& text) override { requests.push_back(text); }
    void TranslateGoogle(const std::string& text) override { googleRequests.push_back(text); }
    void Speak(std::string) override {}

    // Answers one request not yet answered.
    void Answer(const std::string& translation) {
        if (answered >= requests.size())
            return;
        ++answered;
        ITransCallBack* callBack = m_callBack;
        std::thread([callBack, translation] { callBack->OnTranslated(translation); }).join();
    }

    std::vector<std::string> requests;
    std::vector<std::string> googleRequests;
    std::size_t answered = 0;

private:
    ITransCallBack* m_callBack;
};
