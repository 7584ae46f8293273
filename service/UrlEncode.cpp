#include "service/UrlEncode.h"

#include <array>
#include <cstdint>

namespace {

// What one byte becomes: 1 to 3 output characters. Built once at compile time so the encoder
// does one table look-up per byte instead of a chain of comparisons.
struct Escape {
    uint8_t length;
    char chars[3];
};

constexpr bool IsUnreserved(unsigned byte) {
    return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
           (byte >= '0' && byte <= '9') || byte == '-' || byte == '_' || byte == '.' || byte == '~';
}

constexpr std::array<Escape, 256> MakeEscapes() {
    constexpr char kHex[] = "0123456789ABCDEF";
    std::array<Escape, 256> table{};
    for (unsigned byte = 0; byte < 256; ++byte) {
        if (IsUnreserved(byte))
            table[byte] = {1, {static_cast<char>(byte), 0, 0}};
        else if (byte == ' ')
            table[byte] = {1, {'+', 0, 0}};
        else
            table[byte] = {3, {'%', kHex[byte >> 4], kHex[byte & 0x0F]}};
    }
    return table;
}

constexpr std::array<Escape, 256> kEscapes = MakeEscapes();

} // namespace

std::string UrlEncode(const std::string& text) {
    const auto* begin = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = begin + text.size();
    // Sized once: the output is allocated and written without growing.
    size_t length = 0;
    for (const unsigned char* p = begin; p != end; ++p)
        length += kEscapes[*p].length;
    std::string out(length, '\0');
    char* o = out.data();
    for (const unsigned char* p = begin; p != end; ++p) {
        const Escape& escape = kEscapes[*p];
        if (escape.length == 3) {
            o[0] = escape.chars[0];
            o[1] = escape.chars[1];
            o[2] = escape.chars[2];
            o += 3;
        } else {
            *o++ = escape.chars[0];
        }
    }
    return out;
}
