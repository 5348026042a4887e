#include "Stream/Rtsp/RtspNetLoop.h"

#include "Infra/LogSink.h"

#include <asio/error.hpp>
#include <asio/executor_work_guard.hpp>
#include <asio/ssl/error.hpp>
#include <openssl/crypto.h>
#include <openssl/ssl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

namespace Zentar {
namespace StreamApp {

namespace {

class CNetLoop {
public:
    CNetLoop() : m_work(asio::make_work_guard(m_context))
    {
        unsigned cores = std::thread::hardware_concurrency();
        unsigned count = std::min(4u, std::max(2u, cores));
        for (unsigned i = 0; i < count; ++i) {
            ++m_running;
            std::thread t([this] { run(); });
            t.detach(); // the loop serves until the process ends
        }
    }

    asio::io_context& context() { return m_context; }

    // At exit: no handler may run once the process starts destroying its statics (the
    // error categories a failing read describes itself with are among them). Stops the
    // loop and waits, bounded, for its threads to leave their handlers.
    void stopAtExit()
    {
        m_context.stop();
        for (int i = 0; i < 200 && m_running.load() > 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }

private:
    void run()
    {
        // A handler that throws must not take the whole recorder's streaming down.
        for (;;) {
            try {
                m_context.run();
                break;
            } catch (const std::exception& e) {
                Infra::logError("rtsp net loop: handler threw: %s", e.what());
            }
        }
        // Only at exit does a loop thread end: free what TLS kept for this thread.
        OPENSSL_thread_stop();
        --m_running;
    }

    asio::io_context m_context;
    std::atomic<int> m_running{0};
    asio::executor_work_guard<asio::io_context::executor_type> m_work;
};

CNetLoop* g_loop = nullptr;

CNetLoop* makeLoop()
{
    // Statics are destroyed, and atexit handlers run, in the reverse order of their
    // construction and registration: setting up the error categories and OpenSSL (which
    // registers its own clean-up) first makes them outlive the loop's stop.
    OPENSSL_init_ssl(0, nullptr);
    (void)std::system_category();
    (void)std::generic_category();
    (void)asio::error::get_misc_category();
    (void)asio::error::get_netdb_category();
    (void)asio::error::get_addrinfo_category();
    (void)asio::error::get_ssl_category();
    (void)asio::ssl::error::get_stream_category();
    g_loop = new CNetLoop();
    std::atexit([] { g_loop->stopAtExit(); });
    return g_loop;
}

} // namespace

asio::io_context& rtspIoContext()
{
    static CNetLoop* loop = makeLoop();
    return loop->context();
}

} // namespace StreamApp
} // namespace Zentar
