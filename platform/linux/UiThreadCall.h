#pragma once

#include <chrono>
#include <functional>

namespace platform {

// Runs work on the thread of the Qt application object and returns its result. On that thread
// the work runs at once; from another thread it is queued there and the caller waits at most
// `timeout`. False without an application object, or when the UI thread did not get to the work
// in time (it may still run later, so it must own everything it touches).
bool RunOnUiThread(std::function<bool()> work, std::chrono::milliseconds timeout);

} // namespace platform
