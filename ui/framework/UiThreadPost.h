#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>

namespace ui {

// Runs work on the UI thread on a later turn of its event loop (never inside the caller), unless
// owner was given and is gone by then. Callable from any thread.
void PostToUiThread(QWidget* owner, std::function<void()> work);

// Runs work at once when called on the UI thread, else as PostToUiThread does.
void RunOnUiThreadSoon(QWidget* owner, std::function<void()> work);

} // namespace ui
