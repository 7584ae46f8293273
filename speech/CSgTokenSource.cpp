#include "speech/CSgTokenSource.h"

#include "platform/DebugChannel.h"
#include "service/CHttpClient.h"
#include "speech/IIatCallBack.h"
#include "speech/SgFrames.h"

#include <boost/uuid/random_generator.hpp>
#include <boost/uuid/uuid_io.hpp>

CSgTokenSource::CSgTokenSource(Settings settings) : m_settings(std::move(settings)) {}

const std::string& CSgTokenSource::InstallationId() {
    static const std::string id = boost::uuids::to_string(boost::uuids::random_generator()());
    return id;
}

std::optional<std::string> CSgTokenSource::Fresh(enginereport::Failure& failure) {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (!m_token.empty() && std::chrono::steady_clock::now() - m_obtained < kRenewAfter)
            return m_token;
    }
    if (!Request(failure))
        return std::nullopt;
    std::lock_guard<std::mutex> guard(m_lock);
    return m_token;
}

bool CSgTokenSource::Request(enginereport::Failure& failure) {
    const std::string body =
        BuildSgTokenBody(m_settings.appId, m_settings.appKey, InstallationId());
    long status = 0;
    const CHttpClient::Result reply =
        CHttpClient::PostJson(m_settings.url, body, m_settings.limits, &status);
    const std::optional<std::string> token =
        reply.first ? ParseSgToken(reply.second) : std::nullopt;
    if (!token) {
        platform::OutputDebug(QStringLiteral("failed\n"));
        failure = enginereport::FromHttpStatus(QStringLiteral("token request"), status);
        if (reply.first) {
            failure.reason = IIatCallBack::kFailureRefused;
            failure.detail = QStringLiteral("no token in the reply");
        }
        return false;
    }
    platform::OutputDebug(QStringLiteral("success\n"));
    std::lock_guard<std::mutex> guard(m_lock);
    m_token = *token;
    m_obtained = std::chrono::steady_clock::now();
    return true;
}

void CSgTokenSource::Forget() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_token.clear();
}
