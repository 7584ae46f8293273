#pragma once

#include <QString>

#include <cstdint>
#include <optional>

// A stored colour (`lp_color`, `lp_subtitleColor`): its leading decimal digits as an ARGB
// value. Nothing when the text starts with no digit or the number does not fit 32 bits; the
// caller then keeps the colour it shows.
std::optional<uint32_t> ParseColourText(const QString& text);
