#pragma once

#include <QString>

#include <cstdint>
#include <optional>

// The two settings the screen tools read, from their stored text.
namespace screentexts {

constexpr float kMinZoom = 1.0f;
constexpr float kMaxZoom = 16.0f;
constexpr float kDefaultZoom = 2.0f;
constexpr uint32_t kDefaultLaserColour = 0xFF92A300; // "4287800064"

// lp_multiple: read like C's strtof in the C locale ("2.0f" is 2.0, "3" is 3), whatever the
// user's locale. nullopt for no number, a value that is not finite, or one outside 1 to 16: a
// lens must magnify, and more than 16 shows a handful of pixels.
std::optional<float> ParseZoomText(const QString& text);

} // namespace screentexts
