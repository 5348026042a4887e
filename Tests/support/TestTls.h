#pragma once
// A throw-away certificate for tests of TLS servers: EC P-256, self-signed, CN=localhost.
#include <string>

namespace OnvifTest {

// PEM texts; with a password the key is encrypted with it (AES-256-CBC). False on failure.
bool makeSelfSignedIdentity(std::string& certificatePem, std::string& keyPem, const std::string& password = "");

} // namespace OnvifTest
