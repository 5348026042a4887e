#pragma once
// A listening socket and the connections it accepts, plain or TLS, on the network loop the
// RTSP sessions share: a server inside the library adds no threads of its own.
//
// Every callback of one connection (its input, its close) runs on that connection's own
// strand, one at a time; different connections run in parallel on the loop's threads.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace Zentar {
namespace NetFramework {

// What the owner of an accepted connection is told.
class IStreamHandler {
public:
    virtual ~IStreamHandler() = default;
    // Bytes as they arrive (TLS already removed).
    virtual void handleInput(const char* data, size_t length) = 0;
    // The connection is gone (peer, error, deadline or close()); called once, last.
    virtual void handleClose() = 0;
};

class CSockStream {
public:
    virtual ~CSockStream() = default;

    // Starts reading (after the TLS handshake) and reports to handler until the close.
    // The stream keeps the handler only until then.
    virtual void start(std::shared_ptr<IStreamHandler> handler) = 0;
    // Queues bytes to send, in order; with closeAfter the connection closes once they are out.
    virtual void send(std::string bytes, bool closeAfter) = 0;
    // Closes at once, from any thread; pending input is dropped.
    virtual void close() = 0;
    // The connection closes when the deadline passes before the next call; 0 switches it
    // off. Counted from the call, so an owner re-arms it when the peer has done its part.
    virtual void setDeadline(uint32_t ms) = 0;

    // The peer in IPv6 text form; IPv4 peers of a dual-stack listener appear as
    // "::ffff:a.b.c.d", of an IPv4 listener as "a.b.c.d".
    virtual const std::string& peerAddress() const = 0;
    virtual uint16_t peerPort() const = 0;
    virtual bool isTls() const = 0;
    // Unique within the process for as long as it runs.
    virtual long id() const = 0;
};

// PEM texts as the host hands them over; an encrypted key needs its password.
struct CTlsIdentity {
    std::string certificate;
    std::string key;
    std::string keyPassword;
};

class CStreamAcceptor {
public:
    using AcceptProc = std::function<void(std::shared_ptr<CSockStream>)>;

    CStreamAcceptor();
    ~CStreamAcceptor();   // close()
    CStreamAcceptor(const CStreamAcceptor&) = delete;
    CStreamAcceptor& operator=(const CStreamAcceptor&) = delete;

    // Listens on every address ("::" dual stack; "0.0.0.0" where the system has no IPv6) at
    // port (0: any free port). With tls, connections are TLS with that identity. Each new
    // connection goes to onAccept on the loop, not yet started. 0, or -1 with *error.
    enum OpenResult { OPEN_OK = 0, OPEN_FAILED = -1, OPEN_BAD_IDENTITY = -2 };
    int open(uint16_t port, const CTlsIdentity* tls, AcceptProc onAccept, std::string* error = nullptr);
    // Stops accepting; connections already handed out stay open. Waits until no accept
    // callback runs any more, so its owner may go away afterwards.
    void close();
    bool isOpen() const;
    uint16_t localPort() const;
    // The listening socket's descriptor (for log lines); -1 when closed.
    int nativeHandle() const;

    class CImpl;

private:
    std::shared_ptr<CImpl> m_impl;
};

} // namespace NetFramework
} // namespace Zentar
