#include "speech_ws/TestCrypto.h"

#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <vector>

std::string ReferenceHmacSha256Base64(const std::string& key, const std::string& text) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    HMAC(EVP_sha256(), key.data(), static_cast<int>(key.size()),
         reinterpret_cast<const unsigned char*>(text.data()), text.size(), digest, &length);
    return ReferenceBase64(std::string(reinterpret_cast<const char*>(digest), length));
}

std::string ReferenceBase64(const std::string& bytes) {
    std::vector<unsigned char> out(4 * ((bytes.size() + 2) / 3) + 1);
    const int n = EVP_EncodeBlock(out.data(), reinterpret_cast<const unsigned char*>(bytes.data()),
                                  static_cast<int>(bytes.size()));
    return std::string(reinterpret_cast<const char*>(out.data()), static_cast<std::size_t>(n));
}

std::string ReferenceBase64Decode(const std::string& text) {
    if (text.empty() || text.size() % 4 != 0)
        return std::string();
    std::vector<unsigned char> out(text.size() / 4 * 3 + 1);
    const int n = EVP_DecodeBlock(out.data(), reinterpret_cast<const unsigned char*>(text.data()),
                                  static_cast<int>(text.size()));
    if (n < 0)
        return std::string();
    std::size_t length = static_cast<std::size_t>(n);
    for (auto it = text.rbegin(); it != text.rend() && *it == '='; ++it)
        --length;
    return std::string(reinterpret_cast<const char*>(out.data()), length);
}
