#include "translate/TransRequests.h"

#include "app/CConfig.h"
#include "service/UrlEncode.h"
#include "translate/ITransEngine.h"

#include <json/reader.h>
#include <json/value.h>
#include <openssl/evp.h>

#include <memory>

namespace transreq {

std::string Sign(const std::string& appId, const std::string& text, const std::string& salt,
                 const std::string& key) {
    const std::string input = appId + text + salt + key;
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(input.data(), input.size(), digest, &length, EVP_md5(), nullptr) != 1)
        return std::string();
    static const char kHex[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(length * 2);
    for (unsigned int i = 0; i < length; ++i) {
        hex.push_back(kHex[digest[i] >> 4]);
        hex.push_back(kHex[digest[i] & 0x0F]);
    }
    return hex;
}

std::string TranslateAddress(const std::string& origin, const std::string& text,
                             const std::string& target, const std::string& appId,
                             const std::string& salt, const std::string& key) {
    return origin + "/api/trans/vip/translate?q=" + UrlEncode(text) + "&from=auto&to=" + target +
           "&appid=" + appId + "&salt=" + salt + "&sign=" + Sign(appId, text, salt, key);
}

std::string SpeechAddress(const std::string& origin, const std::string& piece,
                          const std::string& speechCode) {
    return origin + "/translate_tts?ie=UTF-8&q=" + UrlEncode(piece) + "&tl=" + speechCode +
           "&ttsspeed=0.5&total=1&idx=0&client=tw-ob";
}

namespace {
bool IsContinuationByte(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

// Where a piece starting at `start` ends: kMaxPieceBytes on, moved back to the start of the
// character that would be split. A run of stray continuation bytes longer than a character is
// not text; it is cut at the limit so that the pieces still advance.
std::size_t PieceEnd(const std::string& text, std::size_t start) {
    std::size_t end = start + kMaxPieceBytes;
    if (end >= text.size())
        return text.size();
    std::size_t boundary = end;
    while (boundary > start && end - boundary < 4 && IsContinuationByte(text[boundary]))
        --boundary;
    if (boundary == start || IsContinuationByte(text[boundary]))
        return end;
    return boundary;
}
} // namespace

std::vector<std::string> SpeechPieces(const std::string& text) {
    std::vector<std::string> pieces;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = PieceEnd(text, start);
        pieces.push_back(text.substr(start, end - start));
        start = end;
    }
    return pieces;
}

std::string ParseTranslation(const std::string& body) {
    if (body.empty() || body.size() > kMaxReplyBytes)
        return std::string();
    Json::CharReaderBuilder builder;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    Json::Value root;
    if (!reader->parse(body.data(), body.data() + body.size(), &root, nullptr) || !root.isObject())
        return std::string();
    const Json::Value& results = root["trans_result"];
    if (!results.isArray())
        return std::string();
    std::string joined;
    for (const Json::Value& result : results) {
        if (!result.isObject() || !result["dst"].isString())
            return std::string();
        joined += result["dst"].asString();
    }
    return joined;
}

std::string TargetLanguage(const CConfig& config, int deviceKind) {
    return config.GetForDevice(ConfigKey::TranslateLanguage, deviceKind).toStdString();
}

std::string SpeechCode(const CConfig& config, int deviceKind) {
    const auto codes = CConfig::SpeechLanguageCodes();
    const auto found = codes.find(config.GetForDevice(ConfigKey::TranslateLanguage, deviceKind));
    return found == codes.end() ? std::string() : found->second.toStdString();
}

bool TranslateWithConfiguredService(ITransEngine& engine, const CConfig& config,
                                    const std::string& text) {
    const auto services = CConfig::TranslateServices();
    const QString chosen = config.GetTranslateEngine();
    if (chosen == services.at(0)) {
        engine.Translate(text);
        return true;
    }
    if (chosen == services.at(1)) {
        engine.TranslateGoogle(text);
        return true;
    }
    return false;
}

} // namespace transreq
