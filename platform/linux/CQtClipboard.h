#pragma once

#include "platform/IClipboard.h"

namespace platform {

// The desktop clipboard through Qt. Qt's clipboard belongs to the UI thread, so calls from other
// threads are carried out there while the caller waits (bounded, see RunOnUiThread).
class CQtClipboard : public IClipboard {
public:
    bool SetText(const QString& text) override;
};

} // namespace platform
