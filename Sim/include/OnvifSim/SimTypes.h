#pragma once
// Plain value types shared by the simulator's description, control API and request log.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace OnvifSim {

enum class EAuthMode { Wsse, Digest, Either, None };

// How an authentication refusal is answered. Every style carries a SOAP fault
// env:Sender / ter:NotAuthorized; they differ in the HTTP status around it.
enum class ERefusalStyle { Http401, Http400, Fault200, Fault500 };

enum class ETransfer { ContentLength, Chunked };

// Ordered from most to least privileged so a smaller value means "more rights".
enum class EUserLevel { Administrator = 0, Operator = 1, User = 2, Anonymous = 3 };

struct CSimUser {
    std::string name;
    std::string password;
    EUserLevel level = EUserLevel::User;
};

struct CScope {
    std::string uri;
    bool fixed = false;
};

enum class EFaultKind {
    HttpStatus,      // the given HTTP status with a SOAP fault body
    SoapFault,       // a SOAP fault with the given code/subcodes and status
    Delay,           // answer normally after delayMs
    Close,           // close the connection without answering
    Garbage,         // write bytes that are not HTTP, then close
    Truncated,       // answer half the XML with a Content-Length matching the half
    WrongLength,     // Content-Length larger than the body, then close
    Silence,         // never answer; hold the connection until the client leaves
    Html401,         // 401 with an HTML body and the device's challenges
};

struct CSimFault {
    std::string operation;            // empty: every request to the device
    EFaultKind kind = EFaultKind::HttpStatus;
    int httpStatus = 500;             // HttpStatus and SoapFault
    std::string code = "Sender";      // SoapFault: Sender or Receiver
    std::vector<std::string> subcodes;  // SoapFault: local names in the ONVIF error namespace
    std::string reason;               // SoapFault: env:Text; a default is used when empty
    int delayMs = 0;                  // Delay
    int count = 0;                    // 0: until cleared; N: only the next N matching requests
};

// One request as it arrived, for tests to read back.
struct CRecordedRequest {
    std::string method;
    std::string path;
    std::vector<std::pair<std::string, std::string>> headers;  // names as sent
    std::string body;
    std::string operation;            // local name of the first Body child; empty if none
    std::string user;                 // authenticated user name; empty when anonymous
    EUserLevel level = EUserLevel::Anonymous;
    bool authenticated = false;
    std::string authMethod;           // "wsse", "digest" or empty
    int connectionId = 0;             // 1-based per device, in accept order
    int status = 0;                   // HTTP status answered (0: no answer was written)

    std::string header(const std::string& name) const;  // case-insensitive, first match
};

const char* ToString(EAuthMode mode);
const char* ToString(ERefusalStyle style);
const char* ToString(EUserLevel level);

} // namespace OnvifSim
