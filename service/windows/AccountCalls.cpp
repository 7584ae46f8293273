#include "service/windows/AccountCalls.h"

#include "service/UserInfo.h"
#include "service/windows/CReplyMailbox.h"
#include "service/windows/ServiceMessages.h"
#include "ui/framework/MessageBox.h"

namespace accountcalls {

void StartCountryCodeFetch(const std::string& serviceBase, std::shared_ptr<CountryCodes> list,
                           std::shared_ptr<CReplyMailbox> mailbox) {
    RunDetached(
        [serviceBase, list = std::move(list), mailbox = std::move(mailbox)] {
            std::vector<std::string> codes;
            if (!account::FetchCountryCodes(serviceBase, codes))
                return;
            {
                std::lock_guard<std::mutex> guard(list->lock);
                list->codes = std::move(codes);
            }
            mailbox->Post(svcmsg::kCountryCodesReady);
        },
        QStringLiteral("GetCountry"));
}

void StartVerifyCodeRequest(const std::string& serviceBase, const QString& phone,
                            const QString& country, const QString& mark) {
    const std::string path = account::VerifyCodePath(
        phone.toUtf8().toStdString(), account::CallingCodeDigits(country.toUtf8().toStdString()),
        mark.toUtf8().toStdString());
    RunDetached([serviceBase, path] { account::RequestVerifyCode(serviceBase, path); },
                QStringLiteral("GetCode"));
}

void StartSignIn(account::SignInCall call, const std::string& url, std::shared_ptr<UserInfo> user,
                 std::shared_ptr<CReplyMailbox> mailbox) {
    RunDetached(
        [call, url, user = std::move(user), mailbox = std::move(mailbox)] {
            const account::SignInResult result = account::RunSignInCall(call, url);
            using Outcome = account::SignInResult::Outcome;
            if (result.outcome == Outcome::SignedIn) {
                // A reply for a window that is gone signs nobody in, and leaves the record of
                // whoever signed in meanwhile as it is.
                mailbox->PrepareAndPost(
                    [&] {
                        if (user)
                            user->Fill(result.record);
                    },
                    svcmsg::kSignedIn);
            } else if (result.outcome == Outcome::Refused) {
                ui::ShowMessageBox(
                    nullptr,
                    QString::fromUtf8(result.msg.data(), static_cast<int>(result.msg.size())),
                    QString(), ui::MessageBoxButtons::Ok, ui::MessageBoxIcon::None);
            }
        },
        QStringLiteral("sign-in"));
}

} // namespace accountcalls
