#pragma once
// Process-wide rules for the client side of TLS (SOAP over HTTPS, RTSP over TLS, HTTPS
// snapshots). Verification is off unless the host turns it on: cameras ship self-signed
// certificates that nobody could verify, so TLS there protects the credentials on the
// wire, not the device's identity. No asio or curl types here: every layer may read it.
#include <string>

namespace Zentar {
namespace NetFramework {

struct TlsClientSettings {
    bool verify = false; // check the peer's certificate chain and that it names the host
    std::string caFile;  // PEM file of trusted certificates; empty: the system's store
};

void setTlsClientSettings(const TlsClientSettings& settings);
TlsClientSettings getTlsClientSettings();

// Tells the log that a TLS connection to host goes unverified, the first time for each
// host only: a recorder polling snapshots would otherwise repeat it every second.
void noteUnverifiedTls(const std::string& host);

// Where that note goes (the client's own log); null: the platform log on stderr.
using UnverifiedTlsNotice = void (*)(const char* host);
void setUnverifiedTlsNotice(UnverifiedTlsNotice notice);

// Forgets which hosts were already noted (tests, re-initialisation).
void forgetUnverifiedTlsNotes();

// True for an IPv4 or IPv6 literal (brackets allowed): such hosts are matched against the
// certificate's IP addresses and are never sent as a server name.
bool isIpLiteral(const std::string& host);

} // namespace NetFramework
} // namespace Zentar
