// Records the boxes instead of showing them, so the tests can read what the user would see.
#include "ShownMessageBoxes.h"

#include "ui/framework/MessageBox.h"

#include <mutex>

namespace {
std::mutex g_lock;
std::vector<ShownBox> g_boxes;
} // namespace

namespace ui {
void ShowMessageBox(QWidget*, const QString& text, const QString& caption, MessageBoxButtons,
                    MessageBoxIcon, std::function<void(MessageBoxAnswer)>) {
    std::lock_guard<std::mutex> guard(g_lock);
    g_boxes.push_back({text, caption});
}
} // namespace ui

std::vector<ShownBox> ShownMessageBoxes() {
    std::lock_guard<std::mutex> guard(g_lock);
    return g_boxes;
}

void ForgetMessageBoxes() {
    std::lock_guard<std::mutex> guard(g_lock);
    g_boxes.clear();
}
