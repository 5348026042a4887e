#pragma once
// Canned device answers and checks of the credentials a request really carried,
// computed here independently of the code under test (OpenSSL directly).
#include <string>

#include "LoopbackHttpServer.h"

namespace OnvifTest {

// A SOAP 1.2 envelope around bodyXml; tds/tt/ter are declared with the given prefixes
// so tests can vary the prefix style a device uses.
std::string soapEnvelope(const std::string& bodyXml);
std::string soapFault(const std::string& subcode, const std::string& reason);
HttpReply notAuthorizedFault(int httpStatus);

// Base64(SHA-1(nonce + created + password)) from the request's UsernameToken.
// True when the body carries a token for `user` whose digest matches `password`.
bool wsseDigestValid(const std::string& body, const std::string& user, const std::string& password);
bool hasWsseHeader(const std::string& body);
// The text of the first element with this local name (any prefix), or "".
std::string elementText(const std::string& xml, const std::string& localName);

// RFC 2617 digest (MD5, qop=auth): a 401 challenge and the check of the answer to it.
HttpReply digestChallenge(const std::string& realm, const std::string& nonce);
bool httpDigestValid(const HttpRequest& request, const std::string& user, const std::string& password,
                     const std::string& realm, const std::string& nonce);

std::string md5Hex(const std::string& data);

} // namespace OnvifTest
