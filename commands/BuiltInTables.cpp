#include "commands/BuiltInTables.h"

#include "platform/XdgApplications.h"

#include <QDir>

namespace {

SystemTarget DefaultFor(const char* mimeType) {
    return {SystemTarget::Kind::DefaultFor, QString::fromLatin1(mimeType), {}};
}

SystemTarget InCategories(QStringList categories) {
    return {SystemTarget::Kind::FirstInCategories, QString(), std::move(categories)};
}

} // namespace

QString SystemTarget::Resolve() const {
    switch (kind) {
    case Kind::DefaultFor:
        return platform::DefaultApplicationFor(value);
    case Kind::FirstInCategories:
        return platform::FirstApplicationWithCategories(categories);
    case Kind::DesktopPlace:
        return value;
    case Kind::HomeFolder:
        return QDir::homePath();
    }
    return QString();
}

SystemTargetTable MakeSystemTargetTable() {
    return {
        {QStringLiteral("EXCEL"),
         DefaultFor("application/vnd.openxmlformats-officedocument.spreadsheetml.sheet")},
        {QStringLiteral("PPT"),
         DefaultFor("application/vnd.openxmlformats-officedocument.presentationml.presentation")},
        {QStringLiteral("WORD"),
         DefaultFor("application/vnd.openxmlformats-officedocument.wordprocessingml.document")},
        {QStringLiteral("任务管理器"),
         InCategories({QStringLiteral("System"), QStringLiteral("Monitor")})},
        {QStringLiteral("回收站"),
         {SystemTarget::Kind::DesktopPlace, QStringLiteral("trash:///"), {}}},
        {QStringLiteral("我的电脑"), {SystemTarget::Kind::HomeFolder, QString(), {}}},
        {QStringLiteral("计算器"), InCategories({QStringLiteral("Calculator")})},
        {QStringLiteral("记事本"), DefaultFor("text/plain")},
    };
}

AppTargetTable MakeAppTargetTable() {
    return {
        {QStringLiteral("Foxmail邮箱"), QStringLiteral("foxmail.desktop")},
        {QStringLiteral("QQ"), QStringLiteral("qq.desktop")},
        {QStringLiteral("QQ音乐"), QStringLiteral("qqmusic.desktop")},
        {QStringLiteral("WPS"), QStringLiteral("wps-office-prometheus.desktop")},
        {QStringLiteral("微信"), QStringLiteral("wechat.desktop")},
        {QStringLiteral("百度网盘"), QStringLiteral("baidunetdisk.desktop")},
        {QStringLiteral("网易云音乐"), QStringLiteral("netease-cloud-music.desktop")},
        {QStringLiteral("谷歌浏览器"), QStringLiteral("google-chrome.desktop")},
        {QStringLiteral("迅雷"), QStringLiteral("com.xunlei.download.desktop")},
        {QStringLiteral("酷狗音乐"), QStringLiteral("kugou.desktop")},
        {QStringLiteral("钉钉"), QStringLiteral("com.alibabainc.dingtalk.desktop")},
    };
}
