#pragma once

#include <string>
#include <vector>

class CConfig;
class ITransEngine;

// The requests of the translation service and of its speech endpoint, built and read without
// any network, so each rule can be checked on its own.
namespace transreq {

// Largest reply body read as a translation; a bigger one counts as a failed request.
constexpr std::size_t kMaxReplyBytes = 1024 * 1024;
// Largest piece of text one speech request carries.
constexpr std::size_t kMaxPieceBytes = 100;

// MD5 of app id + text + salt + key as 32 lower-case hexadecimal digits; the text enters
// unencoded.
std::string Sign(const std::string& appId, const std::string& text, const std::string& salt,
                 const std::string& key);

// origin + "/api/trans/vip/translate?q=...&from=auto&to=...&appid=...&salt=...&sign=...".
std::string TranslateAddress(const std::string& origin, const std::string& text,
                             const std::string& target, const std::string& appId,
                             const std::string& salt, const std::string& key);

// origin + "/translate_tts?ie=UTF-8&q=...&tl=...&ttsspeed=0.5&total=1&idx=0&client=tw-ob".
std::string SpeechAddress(const std::string& origin, const std::string& piece,
                          const std::string& speechCode);

// The text in pieces of at most kMaxPieceBytes, each ending at a character boundary (bytes that
// are not valid UTF-8 are cut where they stand); never an empty piece.
std::vector<std::string> SpeechPieces(const std::string& text);

// Every "dst" of the reply's "trans_result" array, joined in order. Empty when the body is
// not JSON, is too large, has no such array, or one of its "dst" is not a text.
std::string ParseTranslation(const std::string& body);

// The target language of the device kind: translate/language for the mouse (0),
// translate/lp_language for the pen (1); empty for any other kind.
std::string TargetLanguage(const CConfig& config, int deviceKind);

// The speech code of the device kind's target language ("jp" gives "ja"); empty when the table
// has none.
std::string SpeechCode(const CConfig& config, int deviceKind);

// Calls the operation that translate/engine names: "baidu" Translate, "google"
// TranslateGoogle, anything else nothing. False when nothing was asked.
bool TranslateWithConfiguredService(ITransEngine& engine, const CConfig& config,
                                    const std::string& text);

} // namespace transreq
