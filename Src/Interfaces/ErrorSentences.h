#pragma once
// What a host can tell its operator for each last-error code the library sets (the login
// and operation codes) or reports on a stream's error signal. One table, so that a code
// added to the library without a sentence shows up in the tests of every failure path.
#include <cstdint>

namespace Zentar {
namespace Component {

struct CErrorSentence {
    uint32_t code;
    const char* sentence; // %s: the device
};

inline constexpr CErrorSentence kErrorSentences[] = {
    {0x10030005, "The login to %s is still in progress"},
    {0x10030010, "The device %s does not offer this function"},
    // Also the login's code when its first request got something back that is not HTTP: a
    // port of another service, or a TLS port asked in plain HTTP.
    {0x10030012, "The device %s could not be reached: nothing answers at that address and port, or what answers "
                 "does not speak HTTP"},
    {0x10030013, "The device %s did not answer in time"},
    {0x10030015, "The device %s refused the user name or password"},
    {0x10030016, "The device %s refused the request; its log line says why"},
    {0x1003001b, "The device %s gave answers that could not be read, or has no usable media profiles"},
    {0x10030021, "Too many logins are in progress in this process"},
    {0x10090191, "The device %s refused the credentials for its video stream"},
    {0x110A0001, "The device %s sent stream data that could not be read"},
    {0x110A0002, "The device %s ended the stream"},
    {0x110A0003, "The stream of %s could not be connected"},
    {0x110A0004, "The device %s did not answer the stream request in time"},
    {0x110A0005, "The device %s stopped sending media"},
    {0x110A0006, "The device %s offers no usable stream transport"},
};

// Stream requests the device answered with an RTSP status carry 0x10090000 + the status.
inline constexpr uint32_t kRtspStatusCodeBase = 0x10090000;

// The sentence of a code, or nullptr for a code no host can explain.
inline const char* errorSentence(uint32_t code)
{
    for (const CErrorSentence& row : kErrorSentences) {
        if (row.code == code)
            return row.sentence;
    }
    if (code > kRtspStatusCodeBase && code < kRtspStatusCodeBase + 600)
        return "The device %s refused the stream request with an RTSP error status";
    return nullptr;
}

} // namespace Component
} // namespace Zentar
