#pragma once

#include <QString>

namespace platform {

// The hardware address of the computer's first network adapter that is not a loopback, as six
// upper-case hexadecimal bytes joined by "-" ("00-1A-2B-3C-4D-5E"); empty when there is none.
QString FirstAdapterMac();

} // namespace platform
