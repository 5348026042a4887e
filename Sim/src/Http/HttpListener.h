#pragma once
// Accepts connections for one device on one port and keeps track of them so the device
// can be stopped with every connection closed.
#include "Http/HttpSession.h"

#include <asio/io_context.hpp>
#include <asio/ip/tcp.hpp>
#include <asio/steady_timer.hpp>
#include <asio/strand.hpp>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace OnvifSim {

class CHttpListener : public std::enable_shared_from_this<CHttpListener> {
public:
    CHttpListener(asio::io_context& io, std::shared_ptr<IRequestSink> sink, asio::ssl::context* tls);

    // Binds and listens (port 0: any free port). False with a message when the port is busy.
    bool open(const std::string& address, unsigned short port, std::string& error);
    unsigned short port() const { return m_port; }
    // Before start(): where RTSP-over-HTTP tunnels opened on this port go.
    void setTunnelSink(std::shared_ptr<ITunnelSink> tunnel) { m_tunnel = std::move(tunnel); }
    // Before start(): connections get this session instead of an HTTP request session (an
    // endpoint that must answer before a request's body has arrived).
    using FSessionStarter = std::function<std::shared_ptr<ISession>(asio::ip::tcp::socket, const CConnectionInfo&)>;
    void setSessionStarter(FSessionStarter starter) { m_starter = std::move(starter); }
    void start();
    // Stops accepting and closes every open connection; safe from any thread.
    void stop();

private:
    void accept();

    asio::io_context& m_io;
    asio::strand<asio::io_context::executor_type> m_strand;
    asio::ip::tcp::acceptor m_acceptor;
    asio::steady_timer m_retry;   // pause after a failed accept (e.g. out of descriptors)
    std::shared_ptr<IRequestSink> m_sink;
    std::shared_ptr<ITunnelSink> m_tunnel;
    FSessionStarter m_starter;
    asio::ssl::context* m_tls;
    unsigned short m_port = 0;
    std::mutex m_mutex;
    std::vector<std::weak_ptr<ISession>> m_sessions;
    int m_nextId = 0;
    bool m_stopped = false;
};

} // namespace OnvifSim
