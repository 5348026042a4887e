#pragma once
// A TLS server context with a throw-away self-signed certificate (EC P-256, CN=onvif-sim)
// made at start-up, so HTTPS devices need no files.
#include <asio/ssl/context.hpp>

#include <memory>
#include <string>

namespace OnvifSim {

// Null with an error message when OpenSSL could not make the key or certificate.
std::unique_ptr<asio::ssl::context> MakeSelfSignedTlsContext(std::string& error);

} // namespace OnvifSim
