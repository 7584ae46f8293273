#pragma once

#include "speech/CVendorStream.h"

// The second vendor's stream over TLS: the configuration message on open, one audio message
// per block, null after the last one. Finals are typed; continuous subtitles also get the
// interim texts; the stream's end gives ("", true, "apd") once.
class CSgStream : public CVendorStream {
public:
    // onRefused runs when the vendor refused the upgrade (the token is no longer good).
    static std::shared_ptr<CSgStream>
    Create(std::string caFile, std::shared_ptr<IIatCallBack> owner, AttachSender attachSender,
           std::function<void()> onRefused, std::chrono::milliseconds endCap);

    CSgStream(Settings settings, std::shared_ptr<IIatCallBack> owner, AttachSender attachSender,
              std::function<void()> onRefused);

protected:
    void OnOpened() override;
    void OnMessage(const std::string& payload) override;
    std::string AudioMessage(const std::vector<char>& block) override;
    std::string EndMessage() override;
    void OnStreamEnded() override;
    void OnConnectFailed(int httpStatus) override;

private:
    const std::function<void()> m_onRefused;
};
