#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace ui {

enum class MessageBoxButtons { Ok, OkCancel, YesNo };
enum class MessageBoxIcon { None, Information, Warning, Question, Error };
enum class MessageBoxAnswer { Ok, Cancel, Yes, No };

// Shows a message box without blocking the caller; callable from any thread (the box is made
// on the UI thread). onAnswer, when given, runs on the UI thread once the user answered, never
// before ShowMessageBox has returned; closing the box from its title bar answers Cancel/No (OK
// for a box with OK alone). When owner is given the box is modal to its window, and a box whose
// owner is gone before it is shown or answered is dropped with its onAnswer.
// Under the simulator no box is shown: a "msgbox" event is reported and the box is answered
// at once with the simulator's queued answer, else its default (OK, or Cancel/No).
void ShowMessageBox(QWidget* owner, const QString& text, const QString& caption,
                    MessageBoxButtons buttons, MessageBoxIcon icon,
                    std::function<void(MessageBoxAnswer)> onAnswer = {});

} // namespace ui
