#pragma once

#include <QString>

#include <vector>

// The message boxes the windows asked for, in order (text and caption).
struct ShownBox {
    QString text;
    QString caption;
};
std::vector<ShownBox> ShownMessageBoxes();
void ForgetMessageBoxes();
