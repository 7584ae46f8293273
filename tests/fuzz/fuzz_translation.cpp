// Translation replies, and the spoken pieces a translated text is cut into.
#include "support/FuzzSupport.h"
#include "translate/TransRequests.h"

namespace {

using fuzz::Require;

// The lead byte of a UTF-8 sequence, or an ASCII byte: where a piece may start.
bool StartsCharacter(unsigned char c) {
    return (c & 0xC0) != 0x80;
}

void CheckPieces(const std::string& text) {
    std::string joined;
    for (const std::string& piece : transreq::SpeechPieces(text)) {
        Require(!piece.empty(), "an empty speech piece");
        Require(piece.size() <= transreq::kMaxPieceBytes, "a speech piece over the limit");
        joined += piece;
    }
    Require(joined == text, "the pieces are not the text");
}

// A valid UTF-8 text is never cut inside a character.
void CheckCharacterBoundaries(const std::string& text) {
    const QByteArray bytes(text.data(), static_cast<int>(text.size()));
    if (QString::fromUtf8(bytes).toUtf8() != bytes)
        return;
    for (const std::string& piece : transreq::SpeechPieces(text))
        Require(StartsCharacter(static_cast<unsigned char>(piece[0])),
                "a piece starts inside a character");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string body(reinterpret_cast<const char*>(data), size);
    const std::string translation = transreq::ParseTranslation(body);
    Require(translation.size() <= body.size() * 6, "a translation out of all proportion");
    CheckPieces(body);
    CheckPieces(translation);
    CheckCharacterBoundaries(body);
    CheckCharacterBoundaries(translation);
    return 0;
}
