#pragma once
// One connection to the notification server: collects bytes until a whole HTTP message
// is in, hands each request to the service manager, and ends the connection on anything
// it cannot use. Its callbacks run on the connection's strand, one at a time.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "NetFramework/StreamAcceptor.h"
#include "NetProtocol/HttpParser.h"

namespace RPC {

class CServiceManager;

class CEventServerSession : public Zentar::NetFramework::IStreamHandler,
                            public std::enable_shared_from_this<CEventServerSession> {
public:
    // Unprocessed input a session holds at most; a message that does not fit ends it.
    static constexpr size_t kBufferSize = 32768;
    static constexpr size_t kMaxUrlLength = 1024;

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

    // What findHttpMsg made of the bytes fed so far.
    enum FindResult { FIND_MORE, FIND_REQUEST, FIND_RESPONSE, FIND_BAD };

private:
    // Feeds bytes to the parser; used tells how many belonged to the message.
    FindResult findHttpMsg(const char* data, size_t length, size_t& used);
    void dispatch();

    // Passed in.
    std::shared_ptr<Zentar::NetFramework::CSockStream> m_stream;
    CServiceManager& m_services;
    const uint32_t m_idleLimitMs;
    std::function<void(long)> m_onGone;

    // Owned.
    const long m_id;
    Zentar::NetProtocol::CHttpParser m_parser;
    size_t m_fill = 0;   // bytes of the message being collected
    bool m_started = false;
    bool m_ended = false;
};

} // namespace RPC
