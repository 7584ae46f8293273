#pragma once

#include <json/value.h>

#include <QString>

#include <functional>
#include <optional>
#include <string>

class QWidget;

// A user's input to one control, made ready by the simulator's window driver: the checks come
// first (an input the control cannot take is refused with a reason and changes nothing), then
// `act` performs it through the signals a user's input raises, so the window's notifications
// run exactly as for the user. UI thread only.
struct SimControlInput {
    std::string error;   // empty when the input can be made
    Json::Value details; // what the "ui_input" event adds about it (item, text, value)
    std::function<void()> act;
};

// Buttons are clicked (check boxes toggle, options select); a label's first link is followed.
SimControlInput PrepareClick(QWidget* control);
// An edit's whole text is replaced as if the user selected it all and typed the new one.
SimControlInput PrepareType(QWidget* control, const QString& text);
// A list or combo item by name (else by its shown text), or by position.
SimControlInput PrepareChoose(QWidget* control, const QString& item, std::optional<int> index);
// A slider is dragged to the value.
SimControlInput PrepareSlide(QWidget* control, int value);
