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
#include <mutex>
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

// Lets another thread end the exchanges of one thread early: a worker blocked in a long
// request (a pull that waits half a minute for events) can be stopped at once. An exchange
// cancelled, or started while cancelled, ends with kSOAPErrorOther.
class CSOAPCancel {
public:
    CSOAPCancel() = default;
    CSOAPCancel(const CSOAPCancel&) = delete;
    CSOAPCancel& operator=(const CSOAPCancel&) = delete;

    void cancel();   // from any thread
    bool cancelled() const;

    // For the transport: the exchange in progress on the watched thread (a curl multi handle).
    void attach(void* multi);
    void detach();

private:
    mutable std::mutex m_mutex;
    bool m_cancelled = false;
    void* m_multi = nullptr;
};

class CSOAPTransport {
public:
    // The token the calling thread's exchanges watch from now on (null: none). The token
    // must outlive the thread's use of it.
    static void setThreadCancel(CSOAPCancel* token);

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
    // A connection of its own, closed afterwards, for a request the device may hold for a
    // long time: a kept-alive connection the device dropped meanwhile would make curl send
    // the request again on its own (with the same WS-Security nonce, which a device refuses
    // as a replay), and a drop during the wait must reach the caller as what it is.
    void setFreshConnection(bool fresh);

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
