#include "speech/CShServerList.h"

#include "platform/DebugChannel.h"
#include "service/CHttpClient.h"
#include "speech/IIatCallBack.h"
#include "speech/ShFrames.h"

#include <cstdlib>
#include <system_error>
#include <thread>

CShServerList::CShServerList(std::string discoveryUrl, HttpLimits limits)
    : m_discoveryUrl(std::move(discoveryUrl)), m_limits(limits) {}

std::string CShServerList::Address() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_address;
}

void CShServerList::Forget() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_address.clear();
}

bool CShServerList::Discover(enginereport::Failure& failure) {
    long status = 0;
    const CHttpClient::Result reply = CHttpClient::Get(m_discoveryUrl, m_limits, &status);
    if (!reply.first) {
        failure = enginereport::FromHttpStatus(QStringLiteral("server discovery"), status);
        // Only the token service and the streams refuse credentials; discovery is open.
        failure.reason = IIatCallBack::kFailureUnreachable;
        return false;
    }
    platform::OutputDebug(QString::fromStdString(reply.second) + QLatin1Char('\n'));
    const std::vector<std::string> servers = ParseShServerList(reply.second);
    if (servers.empty()) {
        failure = enginereport::FromHttpStatus(QStringLiteral("server discovery"), status);
        failure.reason = IIatCallBack::kFailureUnreachable;
        failure.detail = QStringLiteral("no server in the reply");
        return false;
    }
    const std::string chosen = servers[static_cast<std::size_t>(std::rand()) % servers.size()];
    std::lock_guard<std::mutex> guard(m_lock);
    m_address = chosen;
    return true;
}

void CShServerList::DiscoverDetached(const std::shared_ptr<CShServerList>& list) {
    try {
        std::thread([list] {
            enginereport::Failure failure;
            if (!list->Discover(failure))
                enginereport::Report("sh", failure, nullptr);
        }).detach();
    } catch (const std::system_error&) {
        platform::OutputDebug(QStringLiteral("create thread failed\n"));
    }
}
