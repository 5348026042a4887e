#pragma once
// Private to Utils: an OpenSSL EVP context behind a small interface, so CMd5/CSha1
// headers stay free of OpenSSL.
#include <cstddef>
#include <string>

typedef struct evp_md_st EVP_MD;
typedef struct evp_md_ctx_st EVP_MD_CTX;

namespace Zentar {
namespace Utils {

class CDigest {
public:
    CDigest(const EVP_MD* type, size_t size);
    ~CDigest();
    CDigest(const CDigest&) = delete;
    CDigest& operator=(const CDigest&) = delete;

    void update(const void* data, size_t len);
    // Writes size() bytes (zeros if the digest could not be computed) and restarts.
    void final(unsigned char* out);
    size_t size() const { return m_size; }

    static std::string toHex(const unsigned char* data, size_t len);

private:
    void restart();

    const EVP_MD* m_type;
    size_t m_size;
    EVP_MD_CTX* m_ctx;
    bool m_ok = false; // false after any OpenSSL failure until the next restart
};

} // namespace Utils
} // namespace Zentar
