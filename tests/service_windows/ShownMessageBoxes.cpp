// The message boxes on screen: the program's own non-blocking boxes, found among the top-level
// windows (they are made on the UI thread a moment after they were asked for).
#include "ShownMessageBoxes.h"

#include <QApplication>
#include <QMessageBox>

std::vector<ShownBox> ShownMessageBoxes() {
    std::vector<ShownBox> boxes;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(top);
        if (box != nullptr && box->isVisible())
            boxes.push_back({box->text(), box->windowTitle()});
    }
    return boxes;
}

void ForgetMessageBoxes() {
    QCoreApplication::processEvents(); // boxes asked for before now appear first
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(top))
            delete box;
    }
}
