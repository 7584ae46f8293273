#pragma once

#include <string>
#include <vector>

namespace platform {

// A message box the program would show: buttons "ok", "okcancel" or "yesno"; icon "none",
// "information", "warning", "question" or "error".
struct SimMessageBox {
    std::string text;
    std::string caption;
    std::string buttons;
    std::string icon;
};

// A file, folder or colour picker the program would show: type "file", "folder" or "colour".
struct SimDialog {
    std::string type;
    std::string title;
    std::string dir;
    std::vector<std::string> filters;
};

// Under the simulator no box or picker is shown: the world logs it and answers with what a tool
// queued. Blocks for one round trip to the world; callable from any thread.
// The answer to a box: "ok", "cancel", "yes" or "no"; the box's default (OK for a box with OK
// alone, else Cancel or No) when the world does not answer.
std::string AskSimMessageBoxAnswer(const SimMessageBox& box);
// The picked path; empty for a cancel, also when the world does not answer.
std::string AskSimDialogAnswer(const SimDialog& dialog);

} // namespace platform
