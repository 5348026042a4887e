#include "Utils/Sha1.h"

#include "Utils/Digest.h"

#include <openssl/evp.h>

namespace Zentar {
namespace Utils {

CSha1::CSha1() : m_digest(new CDigest(EVP_sha1(), 20)) {}

CSha1::~CSha1() = default;

void CSha1::update(const void* data, size_t len) { m_digest->update(data, len); }

void CSha1::final(unsigned char out[20]) { m_digest->final(out); }

void CSha1::digest(const void* data, size_t len, unsigned char out[20])
{
    CSha1 sha1;
    sha1.update(data, len);
    sha1.final(out);
}

} // namespace Utils
} // namespace Zentar
