#include "speech/CSgStream.h"

#include "speech/EngineReports.h"
#include "speech/IIatCallBack.h"
#include "speech/SgFrames.h"

std::shared_ptr<CSgStream> CSgStream::Create(std::string caFile,
                                             std::shared_ptr<IIatCallBack> owner,
                                             AttachSender attachSender,
                                             std::function<void()> onRefused,
                                             std::chrono::milliseconds endCap) {
    Settings settings;
    settings.engine = "sg";
    settings.transport = CWebSocketPath::Transport::Tls;
    settings.caFile = std::move(caFile);
    settings.endCap = endCap;
    auto stream = std::make_shared<CSgStream>(std::move(settings), std::move(owner),
                                              std::move(attachSender), std::move(onRefused));
    stream->Init();
    return stream;
}

CSgStream::CSgStream(Settings settings, std::shared_ptr<IIatCallBack> owner,
                     AttachSender attachSender, std::function<void()> onRefused)
    : CVendorStream(std::move(settings), std::move(owner), std::move(attachSender)),
      m_onRefused(std::move(onRefused)) {}

void CSgStream::OnOpened() {
    Send(BuildSgConfigMessage());
    StartSender();
}

void CSgStream::OnMessage(const std::string& payload) {
    SgResult result;
    if (!ParseSgResult(payload, result))
        return;
    if (const auto delivery = SgDeliveryFor(result, VoiceMode()))
        Deliver(*delivery);
}

std::string CSgStream::AudioMessage(const std::vector<char>& block) {
    return BuildSgAudioMessage(reinterpret_cast<const std::uint8_t*>(block.data()), block.size());
}

std::string CSgStream::EndMessage() {
    return BuildSgEndMessage();
}

void CSgStream::OnStreamEnded() {
    Deliver({std::string(), true, "apd"});
}

void CSgStream::OnConnectFailed(int httpStatus) {
    const enginereport::Failure failure =
        enginereport::FromHttpStatus(QStringLiteral("stream connection"), httpStatus);
    if (failure.reason == IIatCallBack::kFailureRefused && m_onRefused)
        m_onRefused();
    enginereport::Report(Engine(), failure, Owner());
}
