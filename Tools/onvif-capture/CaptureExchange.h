#pragma once
// One exchange with the device for a row of the library's operation tables: the row builds
// the request as the library would send it, credentials are added as the user chose, and
// the answer is kept exactly as it arrived (status, content type, bytes), faults included.
#include <json/json.h>

#include <string>

#include "CaptureOptions.h"
#include "OnvifFramework/Utility/OnvifOperation.h"

namespace OnvifCapture {

struct CCapturedAnswer {
    int transportError = 0;   // 0: an HTTP answer arrived; otherwise the SOAP call's code (2 no
                              // connection, 7 no answer in time, 8 unreadable, 1 other), or
                              // kNotComposed: nothing was sent
    static constexpr int kNotComposed = -1;
    int status = 0;
    std::string contentType;
    std::string body;

    bool arrived() const { return transportError == 0; }
    // The row refused the request record (a key it requires is missing): the device was not asked.
    bool notSent() const { return transportError == kNotComposed; }
    bool succeeded() const { return arrived() && status >= 200 && status < 300; }
    // 401, or a fault that names the credentials: the user name or password is wrong.
    bool refusesCredentials() const;
};

// A SOAP envelope whose Body holds a Fault (whatever the HTTP status said).
bool IsSoapFault(const std::string& body);

class CCaptureExchange {
public:
    explicit CCaptureExchange(const CCaptureOptions& options);

    // "http://host:port" as the device was reached; service addresses are kept on it.
    const std::string& base() const { return m_base; }
    // Device clock minus local clock, for the WS-Security timestamp.
    void setClockOffset(int seconds) { m_clockOffset = seconds; }

    // anonymous: without credentials (the clock, asked before anything is known).
    CCapturedAnswer send(const std::string& url, const RPC::Onvif::OnvifOperation& row, const Json::Value& req,
                         bool anonymous = false);

private:
    enum class EMethod { Wsse, Digest };
    CCapturedAnswer post(const std::string& url, const RPC::Onvif::OnvifOperation& row, const Json::Value& req,
                         const EMethod* method);

    CCaptureOptions m_options;
    std::string m_base;
    int m_clockOffset = 0;
    // "auto" settles on the first method the device accepts and keeps it.
    bool m_settled = false;
    EMethod m_method = EMethod::Wsse;
};

} // namespace OnvifCapture
