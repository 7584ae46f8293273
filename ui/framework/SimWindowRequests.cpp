#include "ui/framework/SimWindowRequests.h"

#include "platform/SimEvents.h"
#include "platform/linux/CTaskReceiver.h"
#include "platform/linux/UiThreadCall.h"
#include "ui/framework/CTrayIcon.h"
#include "ui/framework/CWindowRegistry.h"
#include "ui/framework/ControlState.h"
#include "ui/framework/SimControlInput.h"
#include "ui/framework/WindowImplBase.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QPixmap>
#include <QPointer>
#include <QSaveFile>
#include <QThread>
#include <QWidget>

#include <condition_variable>
#include <memory>
#include <mutex>

using platform::SimUiReply;
using platform::SimUiRequest;

namespace {

constexpr std::chrono::seconds kUiThreadTimeout{10};

// Windows by the name their window events carry, else by class name. Of two with the name (one
// closing, one new) the shown one is the one a user sees.
WindowImplBase* FindWindowNamed(const QString& name) {
    const std::vector<WindowImplBase*> windows = CWindowRegistry::Instance().Snapshot();
    for (const bool byClass : {false, true}) {
        WindowImplBase* hidden = nullptr;
        for (WindowImplBase* window : windows) {
            const QString windowName =
                byClass ? window->GetWindowClassName() : window->GetWindowName();
            if (windowName != name || !window->GetHWND())
                continue;
            if (window->IsVisible())
                return window;
            if (hidden == nullptr)
                hidden = window;
        }
        if (hidden != nullptr)
            return hidden;
    }
    return nullptr;
}

std::string Describe(const SimUiRequest& request) {
    std::string text = "control " + request.control;
    if (request.tag)
        text += " with tag " + std::to_string(*request.tag);
    return text + " in " + request.window;
}

// The one control a request names: among same-named controls (list rows) the tag decides.
// Rows a person could scroll to count as there: the ones not made yet are made first. An
// empty error with a null control means there is none.
QWidget* FindNamedControl(WindowImplBase* window, const SimUiRequest& request, std::string& error) {
    window->MakePendingRows(request.tag);
    const QString name = QString::fromStdString(request.control);
    std::vector<QWidget*> found;
    for (QWidget* control : window->GetHWND()->findChildren<QWidget*>(name)) {
        if (!request.tag || ui::ControlTag(control) == request.tag)
            found.push_back(control);
    }
    if (found.size() > 1) {
        error = std::to_string(found.size()) + " controls named " + request.control + " in " +
                request.window + ": give --tag N";
        return nullptr;
    }
    return found.empty() ? nullptr : found.front();
}

// The name a window's events carry, for any widget of it.
std::string WindowNameOf(const QWidget* widget) {
    for (WindowImplBase* window : CWindowRegistry::Instance().Snapshot()) {
        if (window->GetHWND() == widget->window())
            return window->GetWindowName().toStdString();
    }
    return widget->window()->objectName().toStdString();
}

// A modal window takes every input to the windows it blocks.
QWidget* BlockingModal(const QWidget* window) {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || modal->window() == window)
        return nullptr;
    if (modal->windowModality() == Qt::ApplicationModal)
        return modal;
    for (QWidget* owner = modal->parentWidget(); owner != nullptr; owner = owner->parentWidget()) {
        if (owner->window() == window)
            return modal;
    }
    return nullptr;
}

// The control an input goes to, or why the user could not reach it.
QWidget* ReachableControl(const SimUiRequest& request, std::string& error) {
    WindowImplBase* window = FindWindowNamed(QString::fromStdString(request.window));
    if (window == nullptr) {
        error = "no window " + request.window;
        return nullptr;
    }
    QWidget* top = window->GetHWND();
    if (!window->IsVisible()) {
        error = "window " + request.window + " is hidden";
        return nullptr;
    }
    if (QWidget* modal = BlockingModal(top)) {
        error = "window " + request.window + " is behind the modal window " + WindowNameOf(modal);
        return nullptr;
    }
    QWidget* control = FindNamedControl(window, request, error);
    if (control == nullptr) {
        if (error.empty())
            error = "no " + Describe(request);
        return nullptr;
    }
    if (!control->isVisibleTo(top))
        error = Describe(request) + " is hidden";
    else if (!control->isEnabled())
        error = Describe(request) + " is disabled";
    return error.empty() ? control : nullptr;
}

Json::Value InputEvent(const SimUiRequest& request) {
    Json::Value event;
    event["kind"] = "ui_input";
    event["action"] = request.action;
    if (request.action != "tray") {
        event["window"] = request.window;
        event["control"] = request.control;
    }
    if (request.tag)
        event["tag"] = static_cast<Json::Int64>(*request.tag);
    return event;
}

SimControlInput PrepareTrayClick(const std::string& button) {
    SimControlInput input;
    CTrayIcon* tray = CTrayIcon::Newest();
    if (tray == nullptr || tray->NativeIcon() == nullptr) {
        input.error = "the program has no tray icon";
        return input;
    }
    input.details["button"] = button;
    const auto reason = button == "right" ? QSystemTrayIcon::Context : QSystemTrayIcon::Trigger;
    QPointer<QSystemTrayIcon> icon(tray->NativeIcon());
    input.act = [icon, reason] {
        if (icon)
            emit icon->activated(reason);
    };
    return input;
}

// Runs on the UI thread: the checks, then the "ui_input" event, then the input itself.
SimControlInput PrepareInput(const SimUiRequest& request) {
    if (request.action == "tray")
        return PrepareTrayClick(request.text);
    SimControlInput input;
    QWidget* control = ReachableControl(request, input.error);
    if (control == nullptr)
        return input;
    const QString text = QString::fromStdString(request.text);
    if (request.action == "click")
        input = PrepareClick(control);
    else if (request.action == "type")
        input = PrepareType(control, text);
    else if (request.action == "choose")
        input = PrepareChoose(control, text, request.index);
    else if (request.action == "slide")
        input = PrepareSlide(control, request.value.value_or(0));
    else if (request.action == "pick")
        input = PrepareColourPick(control, request.argb.value_or(0));
    if (!input.error.empty())
        input.error = Describe(request) + " " + input.error;
    return input;
}

// One input handed to the UI thread. The tool is answered when the input has been carried out,
// or earlier when it opened a modal window or menu: that runs an event loop of its own until
// the user (the next tool request) answers it.
class InputCall {
public:
    enum class State { Queued, Started, Abandoned };

    bool Start() {
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_state != State::Queued)
            return false;
        m_state = State::Started;
        return true;
    }
    void Answer(const std::string& error) {
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_answered)
            return;
        m_answered = true;
        m_error = error;
        m_changed.notify_all();
    }
    // The answer; a call the UI thread has not started in time is abandoned and never runs.
    std::string Wait() {
        std::unique_lock<std::mutex> lock(m_lock);
        if (!m_changed.wait_for(lock, kUiThreadTimeout, [this] { return m_answered; }) &&
            m_state == State::Queued) {
            m_state = State::Abandoned;
            return "the program's UI thread did not answer";
        }
        m_changed.wait(lock, [this] { return m_answered; });
        return m_error;
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    State m_state = State::Queued;
    bool m_answered = false;
    std::string m_error;
};

void RunInput(const std::shared_ptr<InputCall>& call, const SimUiRequest& request) {
    if (!call->Start())
        return;
    SimControlInput input = PrepareInput(request);
    if (!input.error.empty()) {
        call->Answer(input.error);
        return;
    }
    Json::Value event = InputEvent(request);
    for (const std::string& field : input.details.getMemberNames())
        event[field] = input.details[field];
    platform::EmitSimEvent(event);
    const QMetaObject::Connection waiting =
        QObject::connect(QAbstractEventDispatcher::instance(),
                         &QAbstractEventDispatcher::aboutToBlock, [call] { call->Answer({}); });
    input.act();
    QObject::disconnect(waiting);
    call->Answer({});
}

SimUiReply CarryOutInput(const SimUiRequest& request) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr)
        return {"the program has no UI", {}};
    auto call = std::make_shared<InputCall>();
    if (QThread::currentThread() == app->thread()) {
        RunInput(call, request);
    } else if (!platform::CTaskReceiver::Post(platform::UiThreadReceiver(),
                                              [call, request] { RunInput(call, request); })) {
        return {"the program's UI thread did not answer", {}};
    }
    return {call->Wait(), {}};
}

// Runs on the UI thread.
SimUiReply QueryControl(const SimUiRequest& request) {
    WindowImplBase* window = FindWindowNamed(QString::fromStdString(request.window));
    if (window == nullptr)
        return {{}, ui::QueryControlJson(nullptr, nullptr)};
    std::string error;
    QWidget* control = FindNamedControl(window, request, error);
    if (!error.empty())
        return {error, {}};
    return {{}, ui::QueryControlJson(window->GetHWND(), control)};
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

SimUiReply OnUiThread(std::function<SimUiReply()> work) {
    auto reply = std::make_shared<SimUiReply>();
    const bool ran = platform::RunOnUiThread(
        [reply, work = std::move(work)] {
            *reply = work();
            return true;
        },
        kUiThreadTimeout);
    if (!ran)
        return {"the program's UI thread did not answer", {}};
    return *reply;
}

} // namespace

SimUiReply CarryOutSimWindowRequest(const SimUiRequest& request) {
    const std::string& action = request.action;
    if (action == "grab") {
        const QString window = QString::fromStdString(request.window);
        const QString file = QString::fromStdString(request.file);
        return OnUiThread([window, file] { return SimUiReply{GrabWindow(window, file), {}}; });
    }
    if (action == "query")
        return OnUiThread([request] { return QueryControl(request); });
    if (action == "click" || action == "type" || action == "choose" || action == "slide" ||
        action == "pick" || action == "tray")
        return CarryOutInput(request);
    return {"unknown window request " + action, {}};
}
