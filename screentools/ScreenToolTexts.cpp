#include "screentools/ScreenToolTexts.h"

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <locale.h>

namespace screentexts {

namespace {
// strtof follows LC_NUMERIC, which Qt sets from the user's locale ("2,5" in some); the stored
// text always has a point.
locale_t CLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}
} // namespace

std::optional<float> ParseZoomText(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    char* end = nullptr;
    const float value = strtof_l(bytes.constData(), &end, CLocale());
    if (end == bytes.constData() || !std::isfinite(value) || value < kMinZoom || value > kMaxZoom)
        return std::nullopt;
    return value;
}

std::optional<uint32_t> ParseArgbText(const QString& text) {
    int i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    uint64_t value = 0;
    int digits = 0;
    for (; i < text.size() && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'); ++i) {
        value = value * 10 + static_cast<uint64_t>(text[i].unicode() - '0');
        ++digits;
        if (value > UINT32_MAX)
            return std::nullopt;
    }
    if (digits == 0)
        return std::nullopt;
    return static_cast<uint32_t>(value);
}

} // namespace screentexts
