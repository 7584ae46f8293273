#pragma once

#include "platform/IClipboard.h"

#include <memory>

namespace platform {

class ClipboardReadWatch;

// The desktop clipboard through Qt. Qt's clipboard belongs to the UI thread, so calls from other
// threads are carried out there while the caller waits (bounded, see RunOnUiThread). Reads by
// other programs are seen as the X selection requests Qt answers on the UI thread; the watch is
// set up by the first SetText. Where Qt does not run on X11 no read is seen and no paste waits.
class CQtClipboard : public IClipboard {
public:
    CQtClipboard();
    ~CQtClipboard() override;
    CQtClipboard(const CQtClipboard&) = delete;
    CQtClipboard& operator=(const CQtClipboard&) = delete;

    bool SetText(const QString& text) override;
    std::uint64_t ReadsSoFar() override;
    // Does not wait on the UI thread: the reads are seen there, so none could arrive meanwhile.
    bool WaitForReadBeyond(std::uint64_t reads, std::chrono::milliseconds limit) override;

private:
    std::shared_ptr<ClipboardReadWatch> m_watch;
};

} // namespace platform
