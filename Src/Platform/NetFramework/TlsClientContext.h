#pragma once
// The asio side of the TLS client rules in TlsSettings.h, shared by every TLS client of
// the platform layer (RTSP sessions, the snapshot HTTP client).
#include <asio/ssl/context.hpp>

#include <memory>
#include <string>

namespace Zentar {
namespace NetFramework {

struct TlsClientContext {
    std::shared_ptr<asio::ssl::context> context;
    bool verify = false; // the context checks the peer: connections must name the host
};

// A client context for the settings in force: one shared context while they stay the
// same, a new one after they change (connections keep the one they started with). False,
// with the reason, when the CA file cannot be loaded: verification then fails closed.
bool tlsClientContext(TlsClientContext& out, std::string& error);

// Prepares one connection to host: the server name for host names, and, with
// verification on, the name or address the certificate must carry. Without verification
// it notes, once per host, that the certificate goes unchecked.
bool prepareTlsClient(SSL* ssl, const std::string& host, bool verify);

} // namespace NetFramework
} // namespace Zentar
