#pragma once

#include "speech/ShFrames.h"
#include "speech/StreamDelivery.h"

#include <vector>

// What the third vendor's results give the owner over one stream. Continuous subtitles
// (voice mode 3) get every transcript as it comes and an empty last one at completion. The
// other modes get the stream's final transcripts joined, once, at completion: keeping only
// the last one would lose every sentence but the last.
class CShResults {
public:
    // A new stream opened: nothing of an earlier one is delivered again.
    void StreamOpened();
    // The reports due for one result (cmd 26) message.
    std::vector<StreamDelivery> OnResult(const ShReply& reply, int voiceMode);
    // The stream ended without its completion: what is still due, so the owner's session ends.
    std::vector<StreamDelivery> OnStreamEnded(int voiceMode);
    // The vendor refused the stream: nothing of it is delivered.
    void Drop() { m_completed = true; }
    bool Completed() const { return m_completed; }

private:
    std::vector<StreamDelivery> Complete(int voiceMode);

    std::string m_joined;
    bool m_completed = false;
};
