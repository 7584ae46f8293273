#include "service/windows/FeedbackForm.h"

#include "app/CConfig.h"
#include "platform/NetworkAdapter.h"
#include "service/Endpoints.h"
#include "service/FeedbackRequest.h"
#include "service/windows/AccountForms.h"
#include "service/windows/CReplyMailbox.h"
#include "service/windows/ServiceMessages.h"
#include "service/windows/ServiceWindowLinks.h"
#include "ui/framework/MessageBox.h"
#include "ui/framework/WindowImplBase.h"

namespace feedbackform {

namespace {
const QString kDevices = QStringLiteral("device_com");

std::string Utf8(const QString& text) {
    return text.toUtf8().toStdString();
}

FeedbackRequest BuildRequest(const WindowImplBase& window, const CConfig& config, DeviceIds ids) {
    FeedbackRequest request;
    const QString devType = window.GetListItem(kDevices, window.GetListCurSel(kDevices)).name;
    request.devType = Utf8(devType);
    request.content = Utf8(window.GetControlText(QStringLiteral("content_edit")));
    request.phone = Utf8(window.GetControlText(QStringLiteral("tel_edit")));
    if (devType == QLatin1String("mouse")) {
        request.withDeviceIds = true;
        request.vid = Utf8(config.GetVid());
        request.pid = Utf8(config.GetPid());
        request.sn = Utf8(config.GetSn());
    } else if (devType == QLatin1String("lp") && ids == DeviceIds::ChosenDevice) {
        request.withDeviceIds = true;
        request.vid = Utf8(config.GetLpVid());
        request.pid = Utf8(config.GetLpPid());
        request.sn = Utf8(config.GetLpSn());
    }
    request.channelName = Utf8(config.GetChannelName());
    request.macAddr = Utf8(platform::FirstAdapterMac());
    request.clientVersion = Utf8(config.GetVersion());
    request.feedbackTime = FeedbackTimeNow();
    return request;
}
} // namespace

void FillDeviceList(WindowImplBase& window) {
    const auto products = CConfig::ProductNames();
    window.RemoveAllListItems(kDevices);
    for (const QString& name : {QStringLiteral("mouse"), QStringLiteral("lp")})
        window.AddListItem(kDevices, {name, products.at(name), QVariant()});
    window.SelectListItem(kDevices, 0);
}

bool Submit(WindowImplBase& window, const ServiceWindowLinks& links, const std::string& path,
            DeviceIds ids, std::shared_ptr<CReplyMailbox> mailbox) {
    if (!links.config)
        return false;
    const QString problem =
        accountforms::CheckFeedback(window.GetControlText(QStringLiteral("content_edit")),
                                    window.GetControlText(QStringLiteral("tel_edit")));
    if (!problem.isEmpty()) {
        ui::ShowMessageBox(nullptr, problem, QStringLiteral("提示"), ui::MessageBoxButtons::Ok,
                           ui::MessageBoxIcon::None);
        return false;
    }
    const FeedbackRequest request = BuildRequest(window, *links.config, ids);
    RunDetached(
        [request, base = GetEndpoints().service, path, mailbox = std::move(mailbox)] {
            if (request.Send(base, path))
                mailbox->Post(svcmsg::kFeedbackDone);
        },
        QStringLiteral("feedback"));
    if (links.recordUsage)
        links.recordUsage(svcusage::kFeedback, QStringLiteral("用户反馈"), QString());
    return true;
}

} // namespace feedbackform
