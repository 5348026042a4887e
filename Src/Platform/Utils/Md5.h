#pragma once
// MD5, needed by HTTP Digest authentication. Incremental: update() any number of
// times, then final(); final() also makes the object ready for a new message.
#include <cstddef>
#include <memory>
#include <string>

namespace Zentar {
namespace Utils {

class CDigest; // shared implementation of the incremental digests (Digest.h is private)

class CMd5 {
public:
    CMd5();
    ~CMd5();
    CMd5(const CMd5&) = delete;
    CMd5& operator=(const CMd5&) = delete;

    void update(const void* data, size_t len);
    void final(unsigned char out[16]);
    // 32 lower-case hex characters of final().
    std::string hex();
    static std::string hex(const void* data, size_t len);

private:
    std::unique_ptr<CDigest> m_digest;
};

} // namespace Utils
} // namespace Zentar
