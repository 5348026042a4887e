#include "Stream/Rtsp/RtspNetLoop.h"

#include "Infra/LogSink.h"

#include <asio/executor_work_guard.hpp>

#include <algorithm>
#include <exception>
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
            std::thread t([this] { run(); });
            t.detach(); // the loop serves until the process ends
        }
    }

    asio::io_context& context() { return m_context; }

private:
    void run()
    {
        // A handler that throws must not take the whole recorder's streaming down.
        for (;;) {
            try {
                m_context.run();
                return;
            } catch (const std::exception& e) {
                Infra::logError("rtsp net loop: handler threw: %s", e.what());
            }
        }
    }

    asio::io_context m_context;
    asio::executor_work_guard<asio::io_context::executor_type> m_work;
};

} // namespace

asio::io_context& rtspIoContext()
{
    static CNetLoop* loop = new CNetLoop();
    return loop->context();
}

} // namespace StreamApp
} // namespace Zentar
