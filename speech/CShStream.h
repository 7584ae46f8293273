#pragma once

#include "speech/CShResults.h"
#include "speech/CVendorStream.h"
#include "speech/ShFrames.h"

#include <mutex>

// The third vendor's plain stream: the signed start on open, audio once the vendor accepted
// it, the signed stop after the last block, the results by voice mode (CShResults).
class CShStream : public CVendorStream {
public:
    // onFailed runs when a connection could not be made (the server is then asked anew).
    static std::shared_ptr<CShStream> Create(std::shared_ptr<IIatCallBack> owner,
                                             AttachSender attachSender,
                                             std::function<void()> onFailed,
                                             std::chrono::milliseconds endCap);

    CShStream(Settings settings, std::shared_ptr<IIatCallBack> owner, AttachSender attachSender,
              std::function<void()> onFailed);

    // The next stream's signing fields (the salt is made per message).
    void SetStateFields(const ShStateFields& fields);
    // The worker's stop when the vendor has not yet accepted the stream.
    bool SendStopFromWorker() { return SendEndUnlessSending(); }

protected:
    void OnOpened() override;
    void OnMessage(const std::string& payload) override;
    std::string AudioMessage(const std::vector<char>& block) override;
    std::string EndMessage() override;
    void OnStreamEnded() override;
    void OnConnectFailed(int httpStatus) override;

private:
    std::string StateMessage(int state);
    void HandleStateReply(const ShReply& reply, int previousCmd);
    void DeliverAll(const std::vector<StreamDelivery>& deliveries);

    const std::function<void()> m_onFailed;
    std::mutex m_lock; // everything below
    ShStateFields m_fields;
    CShResults m_results;
    int m_currentCmd = 0;
};
