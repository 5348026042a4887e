#pragma once
// HTTP(S) transport for one SOAP exchange with a device.
//
// A transport lives for one exchange (or a few to the same URL); the connection behind
// it outlives it and is handed to the next transport for the same scheme://host:port.
// Time-outs, in milliseconds (0 or less switches one off):
//   connect  TCP connect plus TLS handshake;
//   send     longest stall while the request is still being written;
//   receive  longest wait for the next response byte, counted from the end of the
//            request or from the last byte received;
//   total    the whole exchange, digest round trip included.
// Defaults: connect 5 s, send 10 s, receive 20 s, total 120 s.
#include <cstddef>
#include <memory>
#include <string>

namespace Zentar {
namespace SOAPFramework {

// Results of CSOAPTransport::post and of call() (see SOAPCall.h for the full table).
enum SOAPTransportResult {
    kSOAPOk = 0,
    kSOAPErrorOther = 1,        // send failure, out of resources, bad arguments
    kSOAPErrorConnect = 2,      // no connection: refused, unreachable, DNS, connect time-out, TLS
    kSOAPErrorHttpStatus = 3,   // the device answered with a non-2xx status (call() only)
    kSOAPErrorRecvTimeout = 7,  // connected and sent, but no complete answer in time
    kSOAPErrorBadAnswer = 8,    // not HTTP, truncated, oversized, or not a SOAP envelope
};

class CSOAPTransport {
public:
    static constexpr size_t kMaxResponseBody = 16u * 1024u * 1024u;
    static constexpr size_t kMaxResponseHeaders = 256u * 1024u;   // all header lines together

    explicit CSOAPTransport(const char* url);
    ~CSOAPTransport();
    CSOAPTransport(const CSOAPTransport&) = delete;
    CSOAPTransport& operator=(const CSOAPTransport&) = delete;

    void setConnectTimeout(int ms);
    void setSendTimeout(int ms);
    void setRecvTimeout(int ms);
    void setTimeout(int totalMs);

    // "Status": the last HTTP status code as text ("401"). Any other name: that header
    // of the last response (case-insensitive; the first one when repeated). Null when
    // absent. The pointer stays valid until the next post() or the transport's end.
    const char* getHTTPHeader(const char* name) const;
    const char* getURL() const;
    int getHttpStatus() const;   // 0 until a response arrived

    // One POST of body with this Content-Type. digestUser non-null: answer an HTTP Digest
    // challenge with these credentials (Digest only, even when Basic is also offered).
    // Returns kSOAPOk when an HTTP response of any status arrived, else a transport
    // error (kSOAPErrorConnect, kSOAPErrorRecvTimeout, kSOAPErrorBadAnswer, kSOAPErrorOther).
    int post(const char* body, size_t bodyLen, const char* contentType,
             const char* digestUser = nullptr, const char* digestPassword = nullptr);
    // The body of the last response (empty before one arrived).
    const std::string& getResponseBody() const;

private:
    class CImpl;
    std::unique_ptr<CImpl> m_impl;
};

} // namespace SOAPFramework
} // namespace Zentar
