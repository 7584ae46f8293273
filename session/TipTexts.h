#pragma once

#include <QString>

#include <optional>

// The fixed texts and the size rule of the voice tip and the notice window, by user-interface
// language ("lan_cn", "lan_cht", "lan_en", "lan_jp"). A language outside these has no text:
// the caller keeps what its window already shows.
namespace tiptext {

constexpr int kTipHeight = 38;

// State 0 (listening) and 1 (processing) of the voice tip; state 2 shows the caller's text.
std::optional<QString> VoiceTipText(const QString& uiLanguage, int state);

// Device notices 3 to 8.
std::optional<QString> NoticeText(const QString& uiLanguage, int id);

// Width of a tip showing textLength characters: 240 px, grown by what the text needs beyond
// 200 px at 10 px a character in English and 20 px in the other languages.
int TipWidth(const QString& uiLanguage, int textLength);

} // namespace tiptext
