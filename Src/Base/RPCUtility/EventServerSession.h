#pragma once
// One connection to the notification server: collects bytes until a whole HTTP message
// is in, hands each request to the service manager, and ends the connection on anything
// it cannot use. Its callbacks run on the connection's strand, one at a time.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "Base/RPCUtility/EventRequestFramer.h"
#include "NetFramework/StreamAcceptor.h"

namespace RPC {

class CServiceManager;

class CEventServerSession : public Zentar::NetFramework::IStreamHandler,
                            public std::enable_shared_from_this<CEventServerSession> {
public:
    // onGone is told the session's id once its connection has closed.
    CEventServerSession(std::shared_ptr<Zentar::NetFramework::CSockStream> stream, CServiceManager& services,
                        uint32_t idleLimitMs, std::function<void(long)> onGone);
    ~CEventServerSession() override;

    bool start();
    void stop();
    long id() const { return m_id; }
    const std::string& peerAddress() const { return m_stream->peerAddress(); }

    void handleInput(const char* data, size_t length) override;
    void handleClose() override;

private:
    void dispatch();

    // Passed in.
    std::shared_ptr<Zentar::NetFramework::CSockStream> m_stream;
    CServiceManager& m_services;
    const uint32_t m_idleLimitMs;
    std::function<void(long)> m_onGone;

    // Owned.
    const long m_id;
    CEventRequestFramer m_framer;
    bool m_started = false;
    bool m_ended = false;
};

} // namespace RPC
