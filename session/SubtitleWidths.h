#pragma once

#include <QString>

// Pixels a character takes on the subtitle band, by language: the band right-aligns a line
// whose characters would not fit, so the newest words stay in view. A language missing from a
// table counts 0, so its lines never count as overflowing.
namespace subtitlewidth {

// By recognition language code (lp_language of [recognition]): "chinese", "english"...
int SourceCharWidth(const QString& recognitionLanguage);
// By translation language code (lp_language of [translate]): "en", "jp", "zh"...
int TranslationCharWidth(const QString& translationLanguage);

// Whether characters of charWidth pixels need more than lineWidth.
inline bool Overflows(int lineWidth, int charWidth, int characters) {
    return lineWidth < charWidth * characters;
}

} // namespace subtitlewidth
