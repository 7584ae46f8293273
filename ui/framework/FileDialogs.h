#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace ui {

// File and folder pickers that do not block the caller; callable from any thread (the dialog is
// made on the UI thread). onPicked runs on the UI thread, never before the call has returned,
// with the chosen absolute path, or an empty text when the user cancelled. A picker whose owner
// is gone before it is shown or answered is dropped with its onPicked. Under the simulator no
// dialog is shown: a "dialog" event is reported and the simulator's queued answer (else a
// cancel) is handed over at once. filters are Qt name filters ("Applications (*.desktop)").
void PickFile(QWidget* owner, const QString& title, const QString& dir, const QStringList& filters,
              std::function<void(const QString& path)> onPicked);
void PickFolder(QWidget* owner, const QString& title, const QString& dir,
                std::function<void(const QString& path)> onPicked);

} // namespace ui
