#pragma once
// A TLS server context with a throw-away self-signed certificate (EC P-256, CN=onvif-sim,
// alternative names localhost, 127.0.0.1 and ::1) made at start-up, so HTTPS devices need
// no files. Clients that verify certificates trust it by being given its PEM text.
#include <asio/ssl/context.hpp>

#include <memory>
#include <string>

namespace OnvifSim {

// Null with an error message when OpenSSL could not make the key or certificate.
// certificatePem receives the certificate (not the key) in PEM form.
std::unique_ptr<asio::ssl::context> MakeSelfSignedTlsContext(std::string& error, std::string& certificatePem);

} // namespace OnvifSim
