#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Standard Base64 (RFC 4648 alphabet, "=" padding, no line breaks).
std::string Base64Encode(const std::uint8_t* data, std::size_t length);
inline std::string Base64Encode(const std::string& bytes) {
    return Base64Encode(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}
