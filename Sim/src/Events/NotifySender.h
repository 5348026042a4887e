#pragma once
// Posts Notify messages to subscribers the way cameras do: one connection per message,
// HTTP or HTTPS (the certificate is not checked, as on most devices), a few seconds to
// get through, then the message is given up. Only loopback consumers are served: the
// simulator never sends anything off the machine.
#include <asio/io_context.hpp>

#include <atomic>
#include <memory>
#include <string>

namespace asio {
namespace ssl {
class context;
}
} // namespace asio

namespace OnvifSim {

class CNotifySender {
public:
    static constexpr int kTimeoutMs = 5000;

    explicit CNotifySender(asio::io_context& io);
    ~CNotifySender();

    // Sends body to url ("http://127.0.0.1:8099/onvif_notify_server") in the background.
    void post(const std::string& url, const std::string& body);

    // Messages the consumer answered with a 2xx status, and messages that failed.
    int posted() const { return m_posted->load(); }
    int failed() const { return m_failed->load(); }

private:
    asio::io_context& m_io;
    std::shared_ptr<asio::ssl::context> m_tls;
    std::shared_ptr<std::atomic<int>> m_posted;
    std::shared_ptr<std::atomic<int>> m_failed;
};

// Splits "http(s)://host:port/path"; false for another scheme or a malformed URL.
bool SplitHttpUrl(const std::string& url, bool& tls, std::string& host, unsigned short& port, std::string& path);
// 127.0.0.0/8, ::1 and "localhost".
bool IsLoopbackHost(const std::string& host);

} // namespace OnvifSim
