#include "ui/framework/FileDialogs.h"

#include "platform/SimDialogs.h"
#include "platform/SimEvents.h"
#include "ui/framework/UiThreadPost.h"

#include <QFileDialog>
#include <QPointer>

namespace ui {

namespace {

enum class PickerKind { File, Folder };

// Runs on the UI thread.
void OpenPicker(QWidget* owner, PickerKind kind, const QString& title, const QString& dir,
                const QStringList& filters, std::function<void(const QString&)> onPicked) {
    auto* dialog = new QFileDialog(owner, title, dir);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    if (kind == PickerKind::Folder) {
        dialog->setFileMode(QFileDialog::Directory);
        dialog->setOption(QFileDialog::ShowDirsOnly, true);
    } else {
        dialog->setFileMode(QFileDialog::ExistingFile);
        if (!filters.isEmpty())
            dialog->setNameFilters(filters);
    }
    QObject::connect(
        dialog, &QDialog::finished, dialog, [dialog, onPicked = std::move(onPicked)](int result) {
            const QStringList chosen = dialog->selectedFiles();
            const QString path =
                result == QDialog::Accepted && !chosen.isEmpty() ? chosen.front() : QString();
            if (onPicked)
                onPicked(path);
        });
    // open(): modal to the owner's window, without a nested event loop.
    dialog->open();
}

// Runs on the UI thread: the simulator's world logs the picker and answers it.
void AnswerFromSimulator(QWidget* owner, PickerKind kind, const QString& title, const QString& dir,
                         const QStringList& filters, std::function<void(const QString&)> onPicked) {
    platform::SimDialog dialog;
    dialog.type = kind == PickerKind::Folder ? "folder" : "file";
    dialog.title = title.toStdString();
    dialog.dir = dir.toStdString();
    for (const QString& filter : filters)
        dialog.filters.push_back(filter.toStdString());
    const QString path = QString::fromStdString(platform::AskSimDialogAnswer(dialog));
    if (onPicked)
        PostToUiThread(owner, [path, onPicked = std::move(onPicked)] { onPicked(path); });
}

void Pick(QWidget* owner, PickerKind kind, const QString& title, const QString& dir,
          const QStringList& filters, std::function<void(const QString&)> onPicked) {
    const bool simulated = platform::SimulatorActive();
    QPointer<QWidget> guard(owner);
    RunOnUiThreadSoon(owner, [guard, kind, title, dir, filters, simulated,
                              onPicked = std::move(onPicked)]() mutable {
        if (simulated)
            AnswerFromSimulator(guard, kind, title, dir, filters, std::move(onPicked));
        else
            OpenPicker(guard, kind, title, dir, filters, std::move(onPicked));
    });
}

} // namespace

void PickFile(QWidget* owner, const QString& title, const QString& dir, const QStringList& filters,
              std::function<void(const QString& path)> onPicked) {
    Pick(owner, PickerKind::File, title, dir, filters, std::move(onPicked));
}

void PickFolder(QWidget* owner, const QString& title, const QString& dir,
                std::function<void(const QString& path)> onPicked) {
    Pick(owner, PickerKind::Folder, title, dir, {}, std::move(onPicked));
}

} // namespace ui
