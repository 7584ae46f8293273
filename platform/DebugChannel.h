#pragma once

#include <QString>

namespace platform {

// Progress texts for developers ("Enter MouseProc...\n"). They are written to standard error
// when VELMORA_DEBUG=1 and reported to the simulator when one is attached; otherwise dropped.
void OutputDebug(const QString& text);

} // namespace platform
