#pragma once
// SHA-1, needed by the WS-Security password digest. Incremental like CMd5.
#include <cstddef>
#include <memory>

namespace Zentar {
namespace Utils {

class CDigest;

class CSha1 {
public:
    CSha1();
    ~CSha1();
    CSha1(const CSha1&) = delete;
    CSha1& operator=(const CSha1&) = delete;

    void update(const void* data, size_t len);
    void final(unsigned char out[20]);
    static void digest(const void* data, size_t len, unsigned char out[20]);

private:
    std::unique_ptr<CDigest> m_digest;
};

} // namespace Utils
} // namespace Zentar
