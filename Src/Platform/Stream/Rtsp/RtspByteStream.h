#pragma once
// Private to the RTSP client: the connection an RTSP session talks over. Three kinds
// behind one interface, so the session's protocol logic does not care which:
//   - a TCP connection (plain, or TLS when the session was initialised for an encrypted
//     socket);
//   - the HTTP tunnel: a GET connection that carries everything the server sends and a
//     POST connection that carries the client's requests, base64-encoded, both tied by
//     an x-sessioncookie header.
// All calls and completions run on the owning session's strand.
// A standard header first: Asio picks its aligned allocation by what libstdc++ has
// announced, and every translation unit must pick the same.
#include <cstddef>

#include <asio/io_context.hpp>
#include <asio/ip/tcp.hpp>
#include <asio/strand.hpp>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Zentar {
namespace StreamApp {

using RtspStrand = asio::strand<asio::io_context::executor_type>;

class IRtspByteStream {
public:
    using DoneProc = std::function<void(const std::string& error)>; // empty = success
    using ReadProc = std::function<void(const std::string& error, size_t bytes)>;

    virtual ~IRtspByteStream() = default;

    virtual void connect(const std::string& host, uint16_t port, DoneProc done) = 0;
    // Reads what is available into buf (at most size bytes). bytes 0 with an error at the
    // end of the stream.
    virtual void read(uint8_t* buf, size_t size, ReadProc done) = 0;
    // Writes all of data; the stream keeps it alive until done.
    virtual void write(std::shared_ptr<const std::string> data, DoneProc done) = 0;
    // Cancels everything; pending completions run with an error.
    virtual void close() = 0;
    virtual void setReceiveBuffer(uint32_t bytes) = 0;
    // The local and the peer's address of the connection ("" when not connected). UDP
    // media go to the peer's address even when the RTSP address names the host.
    virtual std::string localAddress() const = 0;
    virtual std::string remoteAddress() const = 0;
};

// TLS is used when tls is true, under the process-wide rules of NetFramework/TlsSettings.h:
// by default the device's certificate is not verified (devices carry self-signed
// certificates, and the RTSP address came from the authenticated ONVIF exchange).
std::unique_ptr<IRtspByteStream> makeTcpByteStream(RtspStrand& strand, bool tls);
// path: the RTSP address's path, used as the HTTP request target of both connections.
std::unique_ptr<IRtspByteStream> makeHttpTunnelByteStream(RtspStrand& strand, bool tls,
                                                          const std::string& path);

} // namespace StreamApp
} // namespace Zentar
