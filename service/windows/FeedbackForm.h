#pragma once

#include <memory>
#include <string>

struct ServiceWindowLinks;
class CReplyMailbox;
class WindowImplBase;

// The feedback form that the stand-alone feedback window and the combined window share:
// device_com, content_edit, tel_edit and submit_btn.
namespace feedbackform {

// Fills device_com with the mouse and the pen (item names "mouse" and "lp") and selects the
// mouse.
void FillDeviceList(WindowImplBase& window);

// Which identifiers go with the form: the stand-alone window sends the mouse's only.
enum class DeviceIds { MouseOnly, ChosenDevice };

// Checks the form (a box and nothing sent when content or phone is empty), then sends it to
// path on a detached thread, which posts the feedback-done message to the mailbox when the
// service took it, and records usage event 26. True when the form was sent.
bool Submit(WindowImplBase& window, const ServiceWindowLinks& links, const std::string& path,
            DeviceIds ids, std::shared_ptr<CReplyMailbox> mailbox);

} // namespace feedbackform
