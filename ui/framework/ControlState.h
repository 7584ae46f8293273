#pragma once

#include <json/value.h>

#include <QString>

#include <cstdint>
#include <optional>

class QWidget;

// What the simulator's tools and events see of a skin control.
namespace ui {

// Dynamic properties the window framework keeps on controls.
inline constexpr char kTagProperty[] = "velmoraTag"; // SetTag, or a list row's tag
// Set on an edit that the skin made a password field: it stays secret while a "show" button
// has its text in clear.
inline constexpr char kSecretProperty[] = "velmoraSecret";
inline constexpr char kImageProperty[] = "velmoraImage"; // the picture SetBkImage shows

// The text a control shows: a label's, button's, edit's, group's title, combo's current item.
QString ReadControlText(const QWidget* control);

// Password edits: nothing they hold may leave the program through events or queries.
bool IsSecretControl(const QWidget* control);

// The tag of a control: its own (WindowImplBase::SetTag), else the tag of the list row it sits
// in (WindowImplBase::AddListRow); none when neither has one.
std::optional<int64_t> ControlTag(const QWidget* control);

// The items of a list widget or combo box: [{"name", "text", "enabled"}], an item a user cannot
// pick (hidden or disabled) has enabled false. Null for other controls.
Json::Value ListItemsJson(const QWidget* control);

// The state of a control as "velmora-sim query" prints it (exists, visible, enabled, text,
// checked, selected, items, value, image, page, tag); window is the control's top-level widget.
Json::Value QueryControlJson(const QWidget* window, const QWidget* control);

} // namespace ui
