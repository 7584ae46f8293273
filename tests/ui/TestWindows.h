#pragma once

#include "ui/framework/WindowImplBase.h"

#include <QCoreApplication>
#include <QString>
#include <QThread>

#include <atomic>
#include <vector>

// A window over the test skin that records what reaches it.
class RecordingWnd : public WindowImplBase {
public:
    struct Message {
        unsigned msg;
        uintptr_t wParam;
        intptr_t lParam;
        bool onUiThread;
    };

    QString GetWindowClassName() const override { return QStringLiteral("TestWnd"); }
    QString GetSkinFile() const override { return skin; }

    QString skin = QStringLiteral("TestWnd.xml");
    std::vector<TNotifyUI> notes;
    std::vector<QString> clicks;
    std::vector<Message> messages;
    std::vector<unsigned> ticks;
    int finals = 0;
    int inits = 0;
    bool* destroyedFlag = nullptr;

    ~RecordingWnd() override {
        if (destroyedFlag != nullptr)
            *destroyedFlag = true;
    }

protected:
    void InitWindow() override { ++inits; }
    void Notify(const TNotifyUI& msg) override {
        notes.push_back(msg);
        WindowImplBase::Notify(msg);
    }
    void OnClick(const TNotifyUI& msg) override { clicks.push_back(msg.senderName); }
    intptr_t HandleCustomMessage(unsigned msg, uintptr_t wParam, intptr_t lParam,
                                 bool& handled) override {
        messages.push_back({msg, wParam, lParam,
                            QThread::currentThread() == QCoreApplication::instance()->thread()});
        handled = true;
        return static_cast<intptr_t>(wParam) * 2;
    }
    void OnTimer(unsigned id) override { ticks.push_back(id); }
    void OnFinalMessage() override { ++finals; }
};

// Lets queued deletions (auto-deleted windows) happen.
inline void FlushDeferredDeletes() {
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
