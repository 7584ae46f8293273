#include "session/SubtitleWidths.h"

#include <QLatin1String>

#include <algorithm>
#include <iterator>

namespace {

struct Width {
    const char* language;
    int pixels;
};

constexpr Width kSourceWidths[] = {
    {"chinese", 35},  {"cht", 35},    {"sichuan", 35}, {"english", 17},
    {"shanghai", 35}, {"minnan", 35}, {"yue", 35},     {"yue_cht", 35},
};

constexpr Width kTranslationWidths[] = {
    {"est", 16}, {"bul", 18}, {"pl", 17},  {"dan", 17}, {"de", 17},  {"ru", 18}, {"fra", 17},
    {"fin", 17}, {"kor", 20}, {"nl", 17},  {"cs", 17},  {"rom", 17}, {"pt", 18}, {"jp", 35},
    {"swe", 17}, {"slo", 17}, {"th", 11},  {"spa", 17}, {"el", 17},  {"hu", 17}, {"zh", 35},
    {"en", 17},  {"it", 17},  {"vie", 18}, {"cht", 35},
};

template <std::size_t N> int Lookup(const Width (&table)[N], const QString& language) {
    const auto found = std::find_if(std::begin(table), std::end(table), [&](const Width& row) {
        return language == QLatin1String(row.language);
    });
    return found == std::end(table) ? 0 : found->pixels;
}

} // namespace

namespace subtitlewidth {

int SourceCharWidth(const QString& recognitionLanguage) {
    return Lookup(kSourceWidths, recognitionLanguage);
}

int TranslationCharWidth(const QString& translationLanguage) {
    return Lookup(kTranslationWidths, translationLanguage);
}

} // namespace subtitlewidth
