#pragma once
// Splits the byte stream of an RTSP connection into answers and interleaved frames.
//
// One connection carries both (RFC 2326 10.12):
//
//   RTSP/1.0 200 OK\r\n ... \r\n\r\n [body of Content-Length bytes]
//   '$' | channel (1 byte) | length (2 bytes, big endian) | length bytes of RTP/RTCP
//
// The tunnelled mode also starts with an HTTP status line, and servers occasionally
// send requests of their own (ANNOUNCE, GET_PARAMETER); both are framed the same way.
// Limits are enforced before any allocation; no length field is trusted.
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace Zentar {
namespace StreamApp {

struct CRtspAnswer {
    bool isRequest = false;        // a request sent by the server
    std::string protocol;          // "RTSP/1.0", "HTTP/1.0", ...
    int status = 0;                // answers only
    std::string reason;
    std::string method;            // server requests only
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;

    // First header of that name, case-insensitive; empty when absent.
    std::string header(const char* name) const;
    bool hasHeader(const char* name) const;
    // Every value of that name (WWW-Authenticate may come more than once).
    std::vector<std::string> headers_(const char* name) const;
};

class CRtspFramer {
public:
    static const size_t kMaxHeaderBytes = 16 * 1024;
    static const size_t kMaxBodyBytes = 256 * 1024;
    static const size_t kMaxHeaderCount = 64;

    enum Result { NeedMore, Answer, Interleaved, Error };

    // Consumes from data[0..len); consumed tells how many bytes were used. On Answer the
    // answer is in answer(); on Interleaved the frame is channel()/payload (pointing
    // into data). On Error, error() says why; the connection cannot be resynchronised.
    Result parse(const uint8_t* data, size_t len, size_t& consumed);

    const CRtspAnswer& answer() const { return m_answer; }
    uint8_t channel() const { return m_channel; }
    const uint8_t* payload() const { return m_payload; }
    size_t payloadLength() const { return m_payloadLen; }
    const std::string& error() const { return m_error; }

    // Limits the header block and body (tests use small limits).
    void setLimits(size_t maxHeaderBytes, size_t maxBodyBytes);

private:
    Result fail(const std::string& why);
    bool parseHead(const char* text, size_t len);

    size_t m_maxHeader = kMaxHeaderBytes;
    size_t m_maxBody = kMaxBodyBytes;
    CRtspAnswer m_answer;
    uint8_t m_channel = 0;
    const uint8_t* m_payload = nullptr;
    size_t m_payloadLen = 0;
    std::string m_error;
};

} // namespace StreamApp
} // namespace Zentar
