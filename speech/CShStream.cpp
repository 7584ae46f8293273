#include "speech/CShStream.h"

#include "platform/DebugChannel.h"
#include "speech/EngineReports.h"
#include "speech/IIatCallBack.h"

std::shared_ptr<CShStream> CShStream::Create(std::shared_ptr<IIatCallBack> owner,
                                             AttachSender attachSender,
                                             std::function<void()> onFailed,
                                             std::chrono::milliseconds endCap) {
    Settings settings;
    settings.engine = "sh";
    settings.transport = CWebSocketPath::Transport::Plain;
    settings.endCap = endCap;
    auto stream = std::make_shared<CShStream>(std::move(settings), std::move(owner),
                                              std::move(attachSender), std::move(onFailed));
    stream->Init();
    return stream;
}

CShStream::CShStream(Settings settings, std::shared_ptr<IIatCallBack> owner,
                     AttachSender attachSender, std::function<void()> onFailed)
    : CVendorStream(std::move(settings), std::move(owner), std::move(attachSender)),
      m_onFailed(std::move(onFailed)) {}

void CShStream::SetStateFields(const ShStateFields& fields) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_fields = fields;
}

std::string CShStream::StateMessage(int state) {
    std::lock_guard<std::mutex> guard(m_lock);
    ShStateFields fields = m_fields;
    fields.salt = ShSaltNow();
    return BuildShStateMessage(fields, state);
}

void CShStream::OnOpened() {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_results.StreamOpened();
        m_currentCmd = 0;
    }
    Send(StateMessage(0));
}

void CShStream::OnMessage(const std::string& payload) {
    platform::OutputDebug(QString::fromStdString(payload) + QLatin1Char('\n'));
    ShReply reply;
    if (!ParseShReply(payload, reply))
        return;
    int previousCmd = 0;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        previousCmd = m_currentCmd;
        m_currentCmd = reply.cmd;
    }
    if (reply.cmd == kShStateCommand) {
        HandleStateReply(reply, previousCmd);
    } else if (reply.cmd == kShResultCommand) {
        if (reply.resultCode != "0")
            platform::OutputDebug(QStringLiteral("sh stream error code %1\n")
                                      .arg(QString::fromStdString(reply.resultCode)));
        std::vector<StreamDelivery> due;
        {
            std::lock_guard<std::mutex> guard(m_lock);
            due = m_results.OnResult(reply, VoiceMode());
        }
        DeliverAll(due);
        if (reply.completed)
            Close();
    }
}

// A start the vendor did not accept (code other than 8000) is a refusal of the credentials or
// the sign: the stream is closed and nothing of it reaches the owner but the failure.
void CShStream::HandleStateReply(const ShReply& reply, int previousCmd) {
    if (reply.code != kShAccepted) {
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_results.Drop();
        }
        enginereport::Failure failure;
        failure.reason = IIatCallBack::kFailureRefused;
        failure.status = reply.code;
        failure.step = QStringLiteral("stream start");
        failure.detail = QStringLiteral("code %1").arg(reply.code);
        Close();
        enginereport::Report(Engine(), failure, Owner());
        return;
    }
    if (reply.state == 0)
        StartSender();
    else if (reply.state == 1 && previousCmd != kShResultCommand)
        Close();
}

std::string CShStream::AudioMessage(const std::vector<char>& block) {
    return BuildShAudioMessage(reinterpret_cast<const std::uint8_t*>(block.data()), block.size());
}

std::string CShStream::EndMessage() {
    return StateMessage(1);
}

void CShStream::OnStreamEnded() {
    std::vector<StreamDelivery> due;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        due = m_results.OnStreamEnded(VoiceMode());
    }
    DeliverAll(due);
}

void CShStream::DeliverAll(const std::vector<StreamDelivery>& deliveries) {
    for (const StreamDelivery& delivery : deliveries)
        Deliver(delivery);
}

void CShStream::OnConnectFailed(int httpStatus) {
    if (m_onFailed)
        m_onFailed();
    enginereport::Report(
        Engine(), enginereport::FromHttpStatus(QStringLiteral("stream connection"), httpStatus),
        Owner());
}
