#pragma once
// Cuts what one notification-server connection receives into HTTP messages. No socket here:
// the session feeds it what arrives, and anything else (a fuzz target) can feed it bytes.
#include <cstddef>
#include <string>

#include "NetProtocol/HttpParser.h"

namespace RPC {

class CEventRequestFramer {
public:
    // Unprocessed input a connection may hold at most; a message that does not fit ends it.
    static constexpr size_t kBufferSize = 32768;
    // The part of a request's URL that is routed; the rest is dropped.
    static constexpr size_t kMaxUrlLength = 1024;

    enum Result { MORE, REQUEST, RESPONSE, BAD };

    // Feeds bytes; used tells how many of them belonged to the message. BAD (logged) when
    // they are not HTTP or the message grew past kBufferSize: the connection is done for.
    Result feed(const char* data, size_t length, size_t& used);
    // The whole message after REQUEST or RESPONSE, until next().
    const Zentar::NetProtocol::CHttpParser& message() const { return m_parser; }
    // The request's URL, cut to kMaxUrlLength.
    std::string url() const;
    // Starts on the following message.
    void next();

private:
    Zentar::NetProtocol::CHttpParser m_parser;
    size_t m_fill = 0;   // bytes of the message being collected
};

} // namespace RPC
