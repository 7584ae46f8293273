#pragma once

namespace platform {

// Whether the computer is connected: an interface other than the loopback is up and has an
// IPv4 or IPv6 address (under the simulator: the world's network state). Cheap enough to ask
// every 100 ms.
bool IsOnline();

} // namespace platform
