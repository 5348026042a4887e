#pragma once
// RTSP/1.0 wire format: the framer splits what a client sends on one connection into
// requests and '$' interleaved frames (RFC 2326 section 10.12); requests reuse the HTTP
// request value, since RTSP borrows HTTP's message syntax.
#include "Http/HttpMessage.h"

#include <cstdint>
#include <string>

namespace OnvifSim {

class CRtspFramer {
public:
    enum class EItem { NeedMore, Request, Interleaved, Error };

    static constexpr size_t kMaxHeadBytes = 16 * 1024;
    static constexpr size_t kMaxBodyBytes = 64 * 1024;

    void feed(const char* data, size_t size) { m_buffer.append(data, size); }
    // The next complete item, or NeedMore / Error (the connection is then unusable).
    EItem next();
    const CHttpRequest& request() const { return m_request; }
    uint8_t channel() const { return m_channel; }
    const std::string& frame() const { return m_frame; }
    const std::string& error() const { return m_error; }

private:
    std::string m_buffer;
    CHttpRequest m_request;
    uint8_t m_channel = 0;
    std::string m_frame;
    std::string m_error;
};

// Parses a request line and header block (up to, not including, the blank line).
bool ParseRequestHead(const std::string& head, CHttpRequest& out, std::string& error);

struct CRtspResponse {
    int status = 200;
    CHeaderList headers;
    std::string contentType;
    std::string body;
};

std::string SerializeRtspResponse(const CRtspResponse& response, const std::string& cseq);
const char* RtspReason(int status);

// One alternative of a Transport header: "RTP/AVP/TCP;unicast;interleaved=0-1".
struct CTransportChoice {
    std::string protocol;   // "RTP/AVP" (UDP) or "RTP/AVP/TCP"
    bool multicast = false;
    int interleaved[2] = {-1, -1};
    int clientPort[2] = {-1, -1};
    std::string destination;
    int port[2] = {-1, -1};
    int ttl = -1;
};

// Every alternative the client offers, in its order of preference.
std::vector<CTransportChoice> ParseTransports(const std::string& header);

} // namespace OnvifSim
