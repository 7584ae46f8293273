#pragma once

#include "ui/framework/ListItem.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

// What the device pages make of stored texts and list files: pure functions, no window.
namespace pagevalues {

// The languages.ini section of the recognition language list for a `recognition`/`engine`
// value; empty for an engine without one ("ms" and unknown values).
QString RecognitionSection(const QString& engine);
constexpr int kRecognitionSectionLimit = 8192;
const char* const kTranslationSection = "translate_baidu_lans";
constexpr int kTranslationSectionLimit = 2048;

// List items from "code=label" lines, in file order: the code (left of the first "=") is the
// item's name, the rest its text. A line without "=" or with an empty code is no language
// and is left out.
std::vector<ListItem> LanguageItems(const std::vector<QString>& lines);

// The resolution steps of the mouse (name: the step stored in `device`/`dpi`, text: shown).
// The 3212 sensor has a list of its own for the 5698 model and one for the other models; every
// other sensor has the steps "1" to "4".
std::vector<ListItem> ResolutionItems(const QString& photoIC, bool model5698);

} // namespace pagevalues
