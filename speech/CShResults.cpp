#include "speech/CShResults.h"

namespace {
constexpr int kSubtitleMode = 3;
}

void CShResults::StreamOpened() {
    m_joined.clear();
    m_completed = false;
}

std::vector<StreamDelivery> CShResults::OnResult(const ShReply& reply, int voiceMode) {
    std::vector<StreamDelivery> due;
    if (m_completed)
        return due;
    if (voiceMode == kSubtitleMode)
        due.push_back({reply.transcript, false, reply.isFinal ? "apd" : "rpl"});
    else if (reply.isFinal)
        m_joined += reply.transcript;
    if (reply.completed) {
        std::vector<StreamDelivery> last = Complete(voiceMode);
        due.insert(due.end(), last.begin(), last.end());
    }
    return due;
}

std::vector<StreamDelivery> CShResults::OnStreamEnded(int voiceMode) {
    if (m_completed)
        return {};
    return Complete(voiceMode);
}

std::vector<StreamDelivery> CShResults::Complete(int voiceMode) {
    m_completed = true;
    const std::string text = voiceMode == kSubtitleMode ? std::string() : m_joined;
    m_joined.clear();
    return {{text, true, "apd"}};
}
