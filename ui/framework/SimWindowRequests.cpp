#include "ui/framework/SimWindowRequests.h"

#include "platform/linux/UiThreadCall.h"
#include "ui/framework/CWindowRegistry.h"
#include "ui/framework/WindowImplBase.h"

#include <QPixmap>
#include <QSaveFile>
#include <QWidget>

#include <memory>

namespace {

constexpr std::chrono::seconds kUiThreadTimeout{10};

WindowImplBase* FindWindowNamed(const QString& name) {
    for (WindowImplBase* window : CWindowRegistry::Instance().Snapshot()) {
        if (window->GetWindowName() == name)
            return window;
    }
    return nullptr;
}

// Runs on the UI thread.
std::string GrabWindow(const QString& name, const QString& file) {
    WindowImplBase* window = FindWindowNamed(name);
    if (!window || !window->GetHWND())
        return "no window " + name.toStdString();
    if (!window->IsVisible())
        return "window " + name.toStdString() + " is hidden";
    const QPixmap picture = window->GetHWND()->grab();
    // Written whole or not at all: a reader of the file never sees half a picture.
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || !picture.save(&out, "PNG") || !out.commit())
        return "cannot write " + file.toStdString();
    return {};
}

} // namespace

std::string CarryOutSimWindowRequest(const platform::SimUiRequest& request) {
    if (request.action != "grab")
        return "unknown window request " + request.action;
    auto result = std::make_shared<std::string>();
    const QString window = QString::fromStdString(request.window);
    const QString file = QString::fromStdString(request.file);
    const bool ran = platform::RunOnUiThread(
        [result, window, file] {
            *result = GrabWindow(window, file);
            return true;
        },
        kUiThreadTimeout);
    if (!ran)
        return "the program's UI thread did not answer";
    return *result;
}
