#include "service/QueryValueEscape.h"

namespace {

bool MustEscape(unsigned char byte) {
    return byte < 0x20 || byte == 0x7F || byte == ' ' || byte == '%' || byte == '&' ||
           byte == '+' || byte == '=' || byte == '#';
}

} // namespace

std::string EscapeQueryValue(const std::string& value) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(value.size());
    for (const char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        if (!MustEscape(byte)) {
            out += c;
            continue;
        }
        out += '%';
        out += kHex[byte >> 4];
        out += kHex[byte & 0x0F];
    }
    return out;
}
