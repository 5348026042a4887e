#pragma once
// Shared definitions of the exchange core: component error codes and the per-device
// login record that every service object copies when it is built.
#include <cstdint>
#include <string>

namespace RPC {
namespace Onvif {

// Component error codes the host reads through getLastError() after a call.
enum : uint32_t {
    ONVIF_ERR_LOGIN_PENDING      = 0x10030005,
    ONVIF_ERR_NOT_SUPPORTED      = 0x10030010,
    ONVIF_ERR_UNREACHABLE        = 0x10030012,
    ONVIF_ERR_TIMEOUT            = 0x10030013,
    ONVIF_ERR_BAD_CREDENTIALS    = 0x10030015,
    // The device answered with a SOAP fault or an HTTP error other than 401: it understood
    // and refused (an OSD past its maximum, a value out of range). Only the exchange sets it.
    ONVIF_ERR_DEVICE_REFUSED     = 0x10030016,
    ONVIF_ERR_BAD_ANSWER         = 0x1003001b,
    ONVIF_ERR_TOO_MANY_LOGINS    = 0x10030021,
    ONVIF_ERR_RTSP_UNAUTHORIZED  = 0x10090191,
};

// The interface version reported to the host and stamped into every log line.
constexpr int kOnvifInterfaceVersion = 1643714;

// Error values of Zentar::SOAPFramework::call that the exchange core maps.
enum : int {
    SOAP_CALL_CONNECT_FAILED = 2,
    SOAP_CALL_RECV_TIMEOUT   = 7,
    SOAP_CALL_BAD_ANSWER     = 8,
};

// The credentials and address of one device as the exchange needs them. Service
// objects keep their own copy (taken when they are built) so that an exchange never
// reads a record another thread is changing.
struct COnvifLoginInfo {
    std::string m_strAddress;   // shown in log lines as "Device[%s]"
    std::string m_strUserName;
    std::string m_strPassword;
    int m_iPort = 80;
    int m_iMediaPort = 0;
    int m_iHttps = 0;
};

// Result key set after a refused exchange; callers read it as "wrong credentials".
constexpr const char* kErrorInfoKey = "errorInfo";
constexpr const char* kErrorInfoUnauth = "UNAUTH";

} // namespace Onvif
} // namespace RPC
