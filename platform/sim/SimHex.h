#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform::sim {

// Lower-case hexadecimal text of the bytes, two digits each.
std::string ToHex(const uint8_t* data, size_t length);
inline std::string ToHex(const std::vector<uint8_t>& bytes) {
    return ToHex(bytes.data(), bytes.size());
}
// The bytes of an even-length hexadecimal text (either case, no separators); nothing when
// the text is not such a text.
std::optional<std::vector<uint8_t>> FromHex(const std::string& text);

} // namespace platform::sim
