#include "service/windows/AccountForms.h"

#include "app/CConfig.h"
#include "platform/DebugChannel.h"

#include <QFile>

namespace accountforms {

namespace {
constexpr int kShortestPassword = 6;
} // namespace

QString CheckPhone(const QString& phone) {
    return phone.isEmpty() ? QStringLiteral("手机号不能为空") : QString();
}

QString CheckRegistration(const QString& phone, const QString& code, const QString& password,
                          const QString* repeat) {
    if (phone.isEmpty() || code.isEmpty() || password.isEmpty())
        return QStringLiteral("手机号、验证码或密码不能为空");
    if (password.size() < kShortestPassword)
        return QStringLiteral("密码不得少于6位");
    if (repeat != nullptr && *repeat != password)
        return QStringLiteral("两次密码不一致");
    return QString();
}

QString CheckCodeSignIn(const QString& phone, const QString& code) {
    return phone.isEmpty() || code.isEmpty() ? QStringLiteral("手机号或验证码不能为空") : QString();
}

QString CheckPasswordSignIn(const QString& phone, const QString& password) {
    return phone.isEmpty() || password.isEmpty() ? QStringLiteral("手机号或密码不能为空")
                                                 : QString();
}

QString CheckFeedback(const QString& content, const QString& phone) {
    return content.isEmpty() || phone.isEmpty() ? QStringLiteral("内容或手机号不能为空")
                                                : QString();
}

bool RestrictSettingsFile(const CConfig& config) {
    const QString path = config.GetCustomIniPath();
    if (!QFile::exists(path))
        return true;
    if (QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return true;
    platform::OutputDebug(QStringLiteral("custom.ini could not be made private\n"));
    return false;
}

void SaveCredentials(CConfig& config, const QString& phone, const QString& password) {
    const QString remember = config.GetUserRemember();
    if (remember == QLatin1String("on")) {
        // Private before the password lands in it, and again in case the write created it.
        RestrictSettingsFile(config);
        config.SetUserName(phone);
        config.SetUserPassword(password);
        RestrictSettingsFile(config);
    } else if (remember == QLatin1String("off")) {
        config.SetUserName(QString());
        config.SetUserPassword(QString());
    }
}

} // namespace accountforms
