#include "app/Telemetry.h"

#include "app/CConfig.h"
#include "platform/DebugChannel.h"
#include "platform/NetworkAdapter.h"
#include "service/CHttpClient.h"
#include "service/Endpoints.h"

#include <map>
#include <system_error>
#include <thread>
#include <utility>

namespace {

const CHttpClient::Limits kReportLimits{2, 3};

QString UsageEventBody(const CConfig& config, int kind, const QString& firstText,
                       const QString& secondText) {
    return QStringLiteral("eventTypeId=") + QString::number(kind) +
           QStringLiteral("&eventTarget=") + config.GetSn() + QStringLiteral("&deviceVid=") +
           config.GetVid() + QStringLiteral("&devicePid=") + config.GetPid() +
           QStringLiteral("&clientMac=") + platform::FirstAdapterMac() +
           QStringLiteral("&clientVersion=") + config.GetVersion() +
           QStringLiteral("&channelName=") + config.GetChannelName() +
           QStringLiteral("&deviceType=MOUSE&eventInfo=") + firstText +
           QStringLiteral("&eventInfo1=") + secondText;
}

QString DeviceInfoBody(const CConfig& config, long long userId) {
    return QStringLiteral("sn=") + config.GetSn() + QStringLiteral("&vid=") + config.GetVid() +
           QStringLiteral("&pid=") + config.GetPid() + QStringLiteral("&mac=") +
           platform::FirstAdapterMac() + QStringLiteral("&version=") + config.GetVersion() +
           QStringLiteral("&channelName=") + config.GetChannelName() +
           QStringLiteral("&deviceType=MOUSE&deviceModel=&userId=") + QString::number(userId);
}

void PostReport(const std::string& path, const QString& body) {
    platform::OutputDebug(body);
    const bool sent = CHttpClient::PostForm(GetEndpoints().service + path,
                                            body.toUtf8().toStdString(), kReportLimits)
                          .first;
    platform::OutputDebug(sent ? QStringLiteral("success\n") : QStringLiteral("failed\n"));
}

template <typename Work> void RunDetached(Work work) {
    try {
        std::thread(std::move(work)).detach();
    } catch (const std::system_error&) {
        platform::OutputDebug(QStringLiteral("failed\n"));
    }
}

} // namespace

void RecordUsageEvent(std::shared_ptr<const CConfig> config, int kind, const QString& firstText,
                      const QString& secondText) {
    if (!config)
        return;
    RunDetached([config = std::move(config), kind, firstText, secondText] {
        PostReport("/api/addEventLog.json", UsageEventBody(*config, kind, firstText, secondText));
    });
}

void SendDeviceInfo(std::shared_ptr<const CConfig> config, long long userId) {
    if (!config)
        return;
    RunDetached([config = std::move(config), userId] {
        PostReport("/api/addDeviceInfo.json", DeviceInfoBody(*config, userId));
    });
}

QString UsageEventText(int kind) {
    static const std::map<int, const char*> texts = {
        {0, "语音打字"},           {1, "语音搜索"},
        {3, "软件启动"},           {4, "新装软件"},
        {5, "新建文件或程序指令"}, {6, "新建文件夹指令"},
        {7, "新建网页指令"},       {8, "切换识别语种"},
        {9, "切换翻译语种"},       {11, "开划词翻译"},
        {12, "关划词翻译"},        {13, "开显示翻译原文"},
        {14, "关显示翻译原文"},    {15, "开识别带标点符号"},
        {16, "关识别带标点符号"},  {17, "切换鼠标DPI"},
        {18, "切换界面显示语言"},  {19, "开启开机自启"},
        {20, "关闭开机自启"},      {21, "切换搜索引擎"},
        {26, "用户反馈"},          {27, "用户点击软件帮助栏目"},
        {31, "划词翻译"},
    };
    const auto found = texts.find(kind);
    return found == texts.end() ? QString() : QString::fromUtf8(found->second);
}
