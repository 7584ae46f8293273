#include "speech/Base64.h"

#include <openssl/evp.h>

#include <climits>
#include <vector>

std::string Base64Encode(const std::uint8_t* data, std::size_t length) {
    if (length == 0)
        return std::string();
    if (length > static_cast<std::size_t>(INT_MAX / 4 * 3))
        return std::string();
    std::vector<unsigned char> out(4 * ((length + 2) / 3) + 1);
    const int written = EVP_EncodeBlock(out.data(), data, static_cast<int>(length));
    return std::string(reinterpret_cast<const char*>(out.data()),
                       static_cast<std::size_t>(written));
}
