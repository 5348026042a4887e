#pragma once
// WS-Security UsernameToken (OASIS WSS 1.0 UsernameToken Profile) for SOAP requests.
//
//   PasswordDigest = Base64( SHA-1( nonce + created + password ) )
//
// where nonce is the raw random bytes (sent Base64-encoded) and created is the
// UTC time in "yyyy-MM-ddTHH:mm:ssZ" form on the *device* clock: local UTC plus
// the measured clock offset, so that a device with a skewed clock accepts it.
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>

namespace Zentar {
namespace SOAPFramework {

// Base64(SHA-1(nonce + created + password)).
std::string computePasswordDigest(const std::string& rawNonce, const std::string& created,
                                  const std::string& password);

// "yyyy-MM-ddTHH:mm:ssZ" of a UTC time.
std::string formatUtcCreated(time_t utc);

// The complete <wsse:Security> element (with its own xmlns declarations, so it can be
// grafted into any envelope). useStamp adds a wsu:Timestamp (Created, Expires = +60 s).
// timeDifference is device clock minus local clock, in seconds.
std::string buildWsseSecurityXml(const char* user, const char* password, bool useStamp,
                                 int timeDifference);

// Test seams: fix the wall clock (UTC seconds) and the nonce source. Passing an empty
// function restores the real ones (time(nullptr) and 16 bytes from RAND_bytes).
void setSecurityClock(std::function<time_t()> clock);
void setSecurityNonceSource(std::function<std::string()> source);

} // namespace SOAPFramework
} // namespace Zentar
