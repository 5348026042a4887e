#pragma once
// HTTP request/answer values passed between the connection and the device.
#include <asio/any_io_executor.hpp>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace OnvifSim {

using CHeaderList = std::vector<std::pair<std::string, std::string>>;

struct CHttpRequest {
    std::string method;
    std::string target;
    std::string version;   // "HTTP/1.1"
    CHeaderList headers;   // names as sent
    std::string body;

    std::string header(const std::string& name) const;        // case-insensitive, first match
    std::vector<std::string> headersNamed(const std::string& name) const;
    bool keepAlive() const;
};

struct CHttpAnswer;

// An answer that is not ready yet (a PullMessages waiting for events): the connection waits
// for it without holding the device.
class IDeferredAnswer {
public:
    virtual ~IDeferredAnswer() = default;
    // Calls done once, on executor, with the answer to act on.
    virtual void wait(const asio::any_io_executor& executor, std::function<void(CHttpAnswer)> done) = 0;
    // The connection went away; done will not be wanted.
    virtual void cancel() = 0;
};

struct CHttpAnswer {
    enum class EAction { Send, Close, Garbage, Truncated, WrongLength, Silence };
    EAction action = EAction::Send;
    int status = 200;
    std::string contentType = "application/soap+xml; charset=utf-8";
    CHeaderList headers;   // extra headers; a name may repeat (two WWW-Authenticate)
    std::string body;
    bool chunked = false;
    bool close = false;    // answer "Connection: close" and close after writing
    int delayMs = 0;       // wait this long before acting
    std::shared_ptr<IDeferredAnswer> deferred;   // set: the answer comes later from it
};

struct CConnectionInfo {
    int id = 0;
    bool https = false;
    std::string localAddress;
    unsigned short localPort = 0;
};

// The bytes to write for an answer (for Send, Truncated, WrongLength and Garbage).
std::string SerializeAnswer(const CHttpAnswer& answer, bool keepAlive);
const char* ReasonPhrase(int status);
bool EqualsNoCase(const std::string& a, const std::string& b);

} // namespace OnvifSim
