#include "Utils/Md5.h"

#include "Utils/Digest.h"

#include <openssl/evp.h>

namespace Zentar {
namespace Utils {

CMd5::CMd5() : m_digest(new CDigest(EVP_md5(), 16)) {}

CMd5::~CMd5() = default;

void CMd5::update(const void* data, size_t len) { m_digest->update(data, len); }

void CMd5::final(unsigned char out[16]) { m_digest->final(out); }

std::string CMd5::hex()
{
    unsigned char out[16];
    final(out);
    return CDigest::toHex(out, sizeof(out));
}

std::string CMd5::hex(const void* data, size_t len)
{
    CMd5 md5;
    md5.update(data, len);
    return md5.hex();
}

} // namespace Utils
} // namespace Zentar
