#pragma once

#include <chrono>
#include <functional>

namespace platform {

// Runs work on the thread of the Qt application object and returns its result. On that thread
// the work runs at once; from another thread it is queued there and the caller waits at most
// `timeout`. False without an application object, or when the UI thread did not start the work
// in time; the work then never runs, so a caller told "failed" sees no late effect. Work that the
// UI thread has started is waited for to its end.
bool RunOnUiThread(std::function<bool()> work, std::chrono::milliseconds timeout);

} // namespace platform
