#include "Utils/Digest.h"

#include "Infra/LogSink.h"

#include <cstring>
#include <openssl/evp.h>

namespace Zentar {
namespace Utils {

CDigest::CDigest(const EVP_MD* type, size_t size) : m_type(type), m_size(size), m_ctx(EVP_MD_CTX_new())
{
    restart();
}

CDigest::~CDigest() { EVP_MD_CTX_free(m_ctx); }

void CDigest::restart()
{
    m_ok = m_ctx != nullptr && m_type != nullptr && EVP_DigestInit_ex(m_ctx, m_type, nullptr) == 1;
    if (!m_ok) {
        Infra::logError("digest: cannot initialise the OpenSSL context");
    }
}

void CDigest::update(const void* data, size_t len)
{
    if (!m_ok || len == 0) {
        return;
    }
    if (data == nullptr || EVP_DigestUpdate(m_ctx, data, len) != 1) {
        m_ok = false; // the message is now incomplete; final() reports zeros
    }
}

void CDigest::final(unsigned char* out)
{
    unsigned char md[EVP_MAX_MD_SIZE];
    unsigned int mdLen = 0;
    if (m_ok && EVP_DigestFinal_ex(m_ctx, md, &mdLen) == 1 && mdLen == m_size) {
        memcpy(out, md, m_size);
    } else {
        memset(out, 0, m_size);
        Infra::logError("digest: could not be computed");
    }
    restart();
}

std::string CDigest::toHex(const unsigned char* data, size_t len)
{
    static const char kHex[] = "0123456789abcdef";
    std::string text(len * 2, '0');
    for (size_t i = 0; i < len; ++i) {
        text[2 * i] = kHex[data[i] >> 4];
        text[2 * i + 1] = kHex[data[i] & 0x0f];
    }
    return text;
}

} // namespace Utils
} // namespace Zentar
