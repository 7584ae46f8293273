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

} // namespace screentexts
