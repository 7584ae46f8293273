#pragma once

#include <cstddef>
#include <memory>
#include <string>

struct evp_md_ctx_st;

// Running SHA-256 of a byte stream (OpenSSL), so that a download is checked while it is
// written instead of being read back. One thread at a time.
class CSha256 {
public:
    CSha256();
    ~CSha256();
    CSha256(const CSha256&) = delete;
    CSha256& operator=(const CSha256&) = delete;

    // False once OpenSSL failed; the digest is then empty.
    bool Update(const char* data, std::size_t size);
    // The digest as 64 lower-case hexadecimal digits; empty after a failure. Ends the stream.
    std::string FinalHex();

private:
    struct ContextDeleter {
        void operator()(evp_md_ctx_st* context) const;
    };
    std::unique_ptr<evp_md_ctx_st, ContextDeleter> m_context;
    bool m_failed = false;
};
