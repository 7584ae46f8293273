#include "service/CSha256.h"

#include <openssl/evp.h>

void CSha256::ContextDeleter::operator()(evp_md_ctx_st* context) const {
    EVP_MD_CTX_free(context);
}

CSha256::CSha256() : m_context(EVP_MD_CTX_new()) {
    m_failed = !m_context || EVP_DigestInit_ex(m_context.get(), EVP_sha256(), nullptr) != 1;
}

CSha256::~CSha256() = default;

bool CSha256::Update(const char* data, std::size_t size) {
    if (!m_failed && size > 0)
        m_failed = EVP_DigestUpdate(m_context.get(), data, size) != 1;
    return !m_failed;
}

std::string CSha256::FinalHex() {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (m_failed || EVP_DigestFinal_ex(m_context.get(), digest, &length) != 1) {
        m_failed = true;
        return std::string();
    }
    m_failed = true; // the stream is over
    static const char kHex[] = "0123456789abcdef";
    std::string text;
    text.reserve(length * 2);
    for (unsigned int i = 0; i < length; ++i) {
        text.push_back(kHex[digest[i] >> 4]);
        text.push_back(kHex[digest[i] & 0x0F]);
    }
    return text;
}
