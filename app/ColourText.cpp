#include "app/ColourText.h"

std::optional<uint32_t> ParseColourText(const QString& text) {
    uint64_t value = 0;
    int digits = 0;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            break;
        value = value * 10 + static_cast<uint64_t>(c.unicode() - '0');
        // Checked at every digit, so a long text cannot wrap the 64-bit sum around.
        if (value > UINT32_MAX)
            return std::nullopt;
        ++digits;
    }
    if (digits == 0)
        return std::nullopt;
    return static_cast<uint32_t>(value);
}
