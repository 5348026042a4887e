#pragma once
// One accepted connection: reads requests with keep-alive, hands them to the device and
// carries out what the device answers, including the misbehaviours (silence, garbage,
// a wrong length ...). All of a connection's work runs on its own strand.
#include "Http/HttpMessage.h"

#include <asio/ip/tcp.hpp>
#include <asio/ssl/context.hpp>

#include <memory>
#include <string>

namespace OnvifSim {

class IRequestSink {
public:
    virtual ~IRequestSink() = default;
    virtual CHttpAnswer handle(const CHttpRequest& request, const CConnectionInfo& connection) = 0;
    // The request could not be read (status 400 or 413); the connection closes after it.
    virtual CHttpAnswer badRequest(int status, const std::string& reason, const CConnectionInfo& connection) = 0;
    virtual int keepAliveSeconds() const = 0;
    // Header block and body in two writes, with Nagle's algorithm on the connection.
    virtual bool splitWrites() const { return false; }
};

class ISession {
public:
    virtual ~ISession() = default;
    // Closes the connection from any thread; pending work ends with operation_aborted.
    virtual void stop() = 0;
};

// Takes over a plain connection whose first request opens an RTSP-over-HTTP tunnel (the
// GET and POST pair joined by x-sessioncookie). `rest` holds bytes read past the head.
class ITunnelSink {
public:
    virtual ~ITunnelSink() = default;
    // True when it took the socket (released from `socket`); false leaves it to HTTP.
    virtual bool adoptTunnel(const CHttpRequest& head, const std::string& rest, asio::ip::tcp::socket& socket) = 0;
};

std::shared_ptr<ISession> StartSession(asio::ip::tcp::socket socket, asio::ssl::context* tls,
                                       std::shared_ptr<IRequestSink> sink, CConnectionInfo info,
                                       std::shared_ptr<ITunnelSink> tunnel = nullptr);

// Request line and headers of a head ending before its blank line; false when malformed.
bool ParseHttpHead(const std::string& head, CHttpRequest& out);

} // namespace OnvifSim
