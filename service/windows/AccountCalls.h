#pragma once

#include "service/AccountService.h"

#include <QString>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

class CReplyMailbox;
class UserInfo;

// The account calls as the sign-in windows start them: each on a detached thread of its own
// that reports to the window's mailbox and never touches a widget.
namespace accountcalls {

// A window's country-code list, filled by its worker before the ready message is posted.
struct CountryCodes {
    std::mutex lock;
    std::vector<std::string> codes;

    std::vector<std::string> Take() {
        std::lock_guard<std::mutex> guard(lock);
        return codes;
    }
};

// Fetches the country codes into list, then posts the ready message.
void StartCountryCodeFetch(const std::string& serviceBase, std::shared_ptr<CountryCodes> list,
                           std::shared_ptr<CReplyMailbox> mailbox);

// Asks for a code for phone (digits of the calling code, mark "code" or empty).
void StartVerifyCodeRequest(const std::string& serviceBase, const QString& phone,
                            const QString& country, const QString& mark);

// Runs a register or sign-in call; on success, while the window is open, fills the user record
// and posts the signed-in message (a reply after the window closed does neither); on a
// refusal shows the service's "msg" in a message box.
void StartSignIn(account::SignInCall call, const std::string& url, std::shared_ptr<UserInfo> user,
                 std::shared_ptr<CReplyMailbox> mailbox);

} // namespace accountcalls
