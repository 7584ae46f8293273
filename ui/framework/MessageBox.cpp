#include "ui/framework/MessageBox.h"

#include "platform/SimDialogs.h"
#include "platform/SimEvents.h"
#include "ui/framework/UiThreadPost.h"

#include <QMessageBox>
#include <QPointer>

namespace ui {

namespace {

const char* ButtonsName(MessageBoxButtons buttons) {
    switch (buttons) {
    case MessageBoxButtons::OkCancel:
        return "okcancel";
    case MessageBoxButtons::YesNo:
        return "yesno";
    case MessageBoxButtons::Ok:
        break;
    }
    return "ok";
}

const char* IconName(MessageBoxIcon icon) {
    switch (icon) {
    case MessageBoxIcon::Information:
        return "information";
    case MessageBoxIcon::Warning:
        return "warning";
    case MessageBoxIcon::Question:
        return "question";
    case MessageBoxIcon::Error:
        return "error";
    case MessageBoxIcon::None:
        break;
    }
    return "none";
}

MessageBoxAnswer AnswerNamed(const std::string& name, MessageBoxButtons buttons) {
    if (name == "ok")
        return MessageBoxAnswer::Ok;
    if (name == "yes")
        return MessageBoxAnswer::Yes;
    if (name == "no")
        return MessageBoxAnswer::No;
    if (name == "cancel")
        return MessageBoxAnswer::Cancel;
    return buttons == MessageBoxButtons::YesNo ? MessageBoxAnswer::No : MessageBoxAnswer::Cancel;
}

QMessageBox::Icon QtIcon(MessageBoxIcon icon) {
    switch (icon) {
    case MessageBoxIcon::Information:
        return QMessageBox::Information;
    case MessageBoxIcon::Warning:
        return QMessageBox::Warning;
    case MessageBoxIcon::Question:
        return QMessageBox::Question;
    case MessageBoxIcon::Error:
        return QMessageBox::Critical;
    case MessageBoxIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons QtButtons(MessageBoxButtons buttons) {
    switch (buttons) {
    case MessageBoxButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MessageBoxButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case MessageBoxButtons::Ok:
        break;
    }
    return QMessageBox::Ok;
}

MessageBoxAnswer AnswerOf(QMessageBox::StandardButton button, MessageBoxButtons buttons) {
    switch (button) {
    case QMessageBox::Ok:
        return MessageBoxAnswer::Ok;
    case QMessageBox::Yes:
        return MessageBoxAnswer::Yes;
    case QMessageBox::No:
        return MessageBoxAnswer::No;
    case QMessageBox::Cancel:
        return MessageBoxAnswer::Cancel;
    default: // closed from the title bar or with Escape
        break;
    }
    if (buttons == MessageBoxButtons::Ok)
        return MessageBoxAnswer::Ok;
    return buttons == MessageBoxButtons::YesNo ? MessageBoxAnswer::No : MessageBoxAnswer::Cancel;
}

// Runs on the UI thread.
void OpenBox(QWidget* owner, const QString& text, const QString& caption, MessageBoxButtons buttons,
             MessageBoxIcon icon, std::function<void(MessageBoxAnswer)> onAnswer) {
    auto* box = new QMessageBox(QtIcon(icon), caption, text, QtButtons(buttons), owner);
    box->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(box, &QDialog::finished, box, [box, buttons, onAnswer = std::move(onAnswer)] {
        const MessageBoxAnswer answer =
            AnswerOf(box->standardButton(box->clickedButton()), buttons);
        if (onAnswer)
            onAnswer(answer);
    });
    // open(): modal to the owner's window, without a nested event loop.
    box->open();
}

// Runs on the UI thread: the simulator's world logs the box and answers it.
void AnswerFromSimulator(QWidget* owner, const QString& text, const QString& caption,
                         MessageBoxButtons buttons, MessageBoxIcon icon,
                         std::function<void(MessageBoxAnswer)> onAnswer) {
    const std::string name = platform::AskSimMessageBoxAnswer(
        {text.toStdString(), caption.toStdString(), ButtonsName(buttons), IconName(icon)});
    const MessageBoxAnswer answer = AnswerNamed(name, buttons);
    if (onAnswer)
        PostToUiThread(owner, [answer, onAnswer = std::move(onAnswer)] { onAnswer(answer); });
}

} // namespace

void ShowMessageBox(QWidget* owner, const QString& text, const QString& caption,
                    MessageBoxButtons buttons, MessageBoxIcon icon,
                    std::function<void(MessageBoxAnswer)> onAnswer) {
    const bool simulated = platform::SimulatorActive();
    QPointer<QWidget> guard(owner);
    RunOnUiThreadSoon(owner, [guard, text, caption, buttons, icon, simulated,
                              onAnswer = std::move(onAnswer)]() mutable {
        if (simulated)
            AnswerFromSimulator(guard, text, caption, buttons, icon, std::move(onAnswer));
        else
            OpenBox(guard, text, caption, buttons, icon, std::move(onAnswer));
    });
}

} // namespace ui
