#include "service/windows/CFreebackWnd.h"

#include "service/windows/CReplyMailbox.h"
#include "service/windows/FeedbackForm.h"
#include "service/windows/ServiceMessages.h"

CFreebackWnd::CFreebackWnd(ServiceWindowLinks links)
    : m_links(std::move(links)), m_mailbox(std::make_shared<CReplyMailbox>(this)) {}

CFreebackWnd::~CFreebackWnd() {
    m_mailbox->Close();
}

void CFreebackWnd::InitWindow() {
    feedbackform::FillDeviceList(*this);
}

void CFreebackWnd::OnClick(const TNotifyUI& msg) {
    if (msg.senderName == QLatin1String("submit_btn"))
        feedbackform::Submit(*this, m_links, "/api/freeback.json",
                             feedbackform::DeviceIds::MouseOnly, m_mailbox);
    else if (msg.senderName == QLatin1String("close_btn"))
        Close();
}

intptr_t CFreebackWnd::HandleCustomMessage(unsigned msg, uintptr_t, intptr_t, bool& handled) {
    handled = msg == svcmsg::kFeedbackDone;
    if (handled)
        Close();
    return 0;
}
