#include "Firmware/FirmwareUpload.h"

#include "Common/Log.h"
#include "Device/DeviceCore.h"
#include "Firmware/FirmwareState.h"
#include "Soap/SoapRequest.h"

#include <asio/post.hpp>
#include <asio/steady_timer.hpp>
#include <asio/write.hpp>

#include <array>
#include <cctype>

namespace OnvifSim {
namespace {

constexpr size_t kMaxHeadBytes = 16 * 1024;
constexpr size_t kImageHeadBytes = 64;               // enough for the image's first line
constexpr uint64_t kProgressStepBytes = 256 * 1024;  // how often the state hears of progress
constexpr int kIdleSeconds = 10;

// A header of the raw head (the head parser shared with the tunnel leaves lengths out).
std::string HeadValue(const std::string& head, const std::string& lowerName)
{
    for (size_t pos = head.find("\r\n"); pos != std::string::npos && pos + 2 < head.size();) {
        const size_t end = head.find("\r\n", pos + 2);
        const std::string line = head.substr(pos + 2, end == std::string::npos ? std::string::npos : end - pos - 2);
        const size_t colon = line.find(':');
        std::string name = line.substr(0, colon);
        for (char& c : name)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (colon != std::string::npos && name == lowerName)
            return Trimmed(line.substr(colon + 1));
        pos = end;
    }
    return std::string();
}

class CUploadSession final : public ISession, public std::enable_shared_from_this<CUploadSession> {
public:
    CUploadSession(asio::ip::tcp::socket socket, std::shared_ptr<CDeviceCore> core, int connectionId)
        : m_socket(std::move(socket)), m_idle(m_socket.get_executor()), m_core(std::move(core)), m_id(connectionId)
    {
    }

    void start() { readHead(); }
    void stop() override
    {
        asio::post(m_socket.get_executor(), [self = shared_from_this()] { self->close(); });
    }

private:
    struct CVerdict {
        CVerdict(int status_ = 0, std::string text_ = "") : status(status_), text(std::move(text_)) {}
        int status;
        std::string text;
        CHeaderList headers;
        std::string user;
    };

    void armIdle();
    void readHead();
    CVerdict judgeHead(const std::string& head);
    void onHead(size_t headEnd);
    void readBody();
    void consume(const char* data, size_t size);
    void finish();
    void answer(int status, const std::string& text, const CHeaderList& extra = {});
    void fail(const std::string& reason);
    void record(int status, const std::string& user);
    void close();

    asio::ip::tcp::socket m_socket;
    asio::steady_timer m_idle;
    std::shared_ptr<CDeviceCore> m_core;
    int m_id;
    std::array<char, 64 * 1024> m_buffer{};
    std::string m_head;
    CHttpRequest m_request;
    std::string m_imageHead;
    uint64_t m_expected = 0;
    uint64_t m_received = 0;
    uint64_t m_reported = 0;
    uint64_t m_dropAfter = 0;
    bool m_inBody = false;
    bool m_closed = false;
    std::string m_out;
};

void CUploadSession::armIdle()
{
    m_idle.expires_after(std::chrono::seconds(kIdleSeconds));
    m_idle.async_wait([self = shared_from_this()](const asio::error_code& ec) {
        if (!ec && !self->m_closed)
            self->m_inBody ? self->fail("the uploader went quiet") : self->close();
    });
}

void CUploadSession::readHead()
{
    armIdle();
    m_socket.async_read_some(asio::buffer(m_buffer), [self = shared_from_this()](const asio::error_code& ec, size_t n) {
        if (ec || self->m_closed)
            return self->close();
        self->m_head.append(self->m_buffer.data(), n);
        const size_t end = self->m_head.find("\r\n\r\n");
        if (end != std::string::npos)
            return self->onHead(end);
        if (self->m_head.size() > kMaxHeadBytes)
            return self->answer(431, "request head too large");
        self->readHead();
    });
}

// What the device says to a request head: 0 to take the body, else the status of its
// refusal (-1: drop the connection without a word, as a rebooting device does). Decided
// under the device lock; answered after it is released.
CUploadSession::CVerdict CUploadSession::judgeHead(const std::string& head)
{
    const std::string path = m_request.target.substr(0, m_request.target.find('?'));
    auto lock = m_core->lock();
    CDeviceState& state = m_core->state();
    const CDeviceDescription& d = state.current;
    if (IsRebooting(state))
        return {-1, ""};
    CFirmwareOptions options;
    std::string ignored;
    ReadFirmwareOptions(d.raw, options, ignored);
    if (m_request.method != "POST")
        return {405, "the image is sent with POST"};
    if (!IsCurrentUploadPath(state, path))
        return {404, "no upgrade is waiting at this address; ask StartFirmwareUpgrade for one"};
    CVerdict verdict;
    if (options.auth) {
        bool basic = false;
        std::vector<std::string> digestSchemes;
        for (const auto& c : d.challenges) {
            if (c == "Basic")
                basic = true;
            else
                digestSchemes.push_back(c);
        }
        if (digestSchemes.empty())
            digestSchemes.push_back("Digest MD5");
        CAuthOutcome who = m_core->digest().verify(m_request.header("Authorization"), m_request.method,
                                                   m_request.target, d.users, d.realm, basic,
                                                   d.digestNonceLifetimeSeconds);
        if (!who.ok || who.level != EUserLevel::Administrator) {
            verdict = CVerdict(401, "an administrator's credentials are needed");
            for (const auto& value : m_core->digest().challenges(digestSchemes, d.realm, who.stale))
                verdict.headers.emplace_back("WWW-Authenticate", value);
            LogLine(d.name + ": firmware upload refused: " +
                    (who.ok ? who.user + " is no administrator" : who.why.empty() ? "no credentials" : who.why));
            return verdict;
        }
        verdict.user = who.user;
    }
    const std::string lengthText = HeadValue(head, "content-length");
    const bool numeric = !lengthText.empty() && lengthText.size() <= 15 &&
                         lengthText.find_first_not_of("0123456789") == std::string::npos;
    m_expected = numeric ? std::stoull(lengthText) : 0;
    if (m_expected == 0)
        return {411, "the image needs a Content-Length"};
    if (m_expected > options.maxBytes) {
        MarkFailed(state, "Refused", "image of " + lengthText + " bytes is larger than this device takes");
        return {500, "image too large"};
    }
    MarkReceiving(state, m_expected);
    m_dropAfter = options.dropAfterBytes;
    return verdict;
}

void CUploadSession::onHead(size_t headEnd)
{
    const std::string rest = m_head.substr(headEnd + 4);
    if (!ParseHttpHead(m_head.substr(0, headEnd), m_request))
        return answer(400, "unreadable request");
    const CVerdict verdict = judgeHead(m_head.substr(0, headEnd));
    if (verdict.status < 0)
        return close();
    m_request.headers.emplace_back("X-Sim-User", verdict.user);
    if (verdict.status > 0)
        return answer(verdict.status, verdict.text, verdict.headers);
    m_inBody = true;
    if (!rest.empty())
        consume(rest.data(), rest.size());
    if (!m_closed && m_received < m_expected)
        readBody();
}

void CUploadSession::readBody()
{
    armIdle();
    m_socket.async_read_some(asio::buffer(m_buffer), [self = shared_from_this()](const asio::error_code& ec, size_t n) {
        if (self->m_closed)
            return;
        if (ec)
            return self->fail("connection lost after " + std::to_string(self->m_received) + " of " +
                              std::to_string(self->m_expected) + " bytes");
        self->consume(self->m_buffer.data(), n);
        if (!self->m_closed && self->m_received < self->m_expected)
            self->readBody();
    });
}

void CUploadSession::consume(const char* data, size_t size)
{
    const uint64_t take = std::min<uint64_t>(size, m_expected - m_received);
    if (m_imageHead.size() < kImageHeadBytes)
        m_imageHead.append(data, std::min<size_t>(take, kImageHeadBytes - m_imageHead.size()));
    m_received += take;
    if (m_dropAfter > 0 && m_received >= m_dropAfter)
        return fail("the device dropped the upload after " + std::to_string(m_received) + " bytes");
    if (m_received == m_expected)
        return finish();
    if (m_received - m_reported >= kProgressStepBytes) {
        m_reported = m_received;
        auto lock = m_core->lock();
        MarkReceived(m_core->state(), m_received);
    }
}

void CUploadSession::finish()
{
    m_inBody = false;
    std::string reason;
    bool good = false;
    CFirmwareOptions options;
    {
        auto lock = m_core->lock();
        good = AcceptImage(m_core->state(), m_imageHead, m_received, reason);
        std::string ignored;
        ReadFirmwareOptions(m_core->state().current.raw, options, ignored);
        if (good)
            LogLine(m_core->state().current.name + ": firmware " + m_core->state().current.identity.firmwareVersion +
                    " received (" + std::to_string(m_received) + " bytes), rebooting");
    }
    if (good && options.silentAccept) {
        record(0, m_request.header("X-Sim-User"));
        return close();
    }
    good ? answer(200, "upgrade accepted, rebooting") : answer(415, reason);
}

void CUploadSession::fail(const std::string& reason)
{
    {
        auto lock = m_core->lock();
        MarkFailed(m_core->state(), "Failed", reason);
        LogLine(m_core->state().current.name + ": firmware upload failed: " + reason);
    }
    record(0, "");
    close();
}

void CUploadSession::answer(int status, const std::string& text, const CHeaderList& extra)
{
    m_inBody = false;
    record(status, m_request.header("X-Sim-User"));
    CHttpAnswer a;
    a.status = status;
    a.contentType = "text/plain";
    a.body = text + "\r\n";
    a.headers = extra;
    a.close = true;
    m_out = SerializeAnswer(a, false);
    asio::async_write(m_socket, asio::buffer(m_out),
                      [self = shared_from_this()](const asio::error_code&, size_t) { self->close(); });
}

// The request log shows uploads beside the SOAP requests, with their status (0: no answer).
void CUploadSession::record(int status, const std::string& user)
{
    CRecordedRequest entry;
    entry.method = m_request.method;
    entry.path = m_request.target;
    entry.headers = m_request.headers;
    entry.user = user;
    entry.authenticated = !user.empty();
    entry.authMethod = user.empty() ? "" : "digest";
    entry.connectionId = m_id;
    entry.status = status;
    auto lock = m_core->lock();
    m_core->log().push_back(std::move(entry));
    if (m_core->log().size() > CDeviceCore::kMaxLoggedRequests)
        m_core->log().pop_front();
}

void CUploadSession::close()
{
    if (m_closed)
        return;
    m_closed = true;
    asio::error_code ignored;
    m_socket.shutdown(asio::ip::tcp::socket::shutdown_both, ignored);
    m_socket.close(ignored);
    m_idle.cancel();
}

} // namespace

CHttpListener::FSessionStarter FirmwareUploadSessions(std::shared_ptr<CDeviceCore> core)
{
    return [core](asio::ip::tcp::socket socket, const CConnectionInfo& info) -> std::shared_ptr<ISession> {
        auto session = std::make_shared<CUploadSession>(std::move(socket), core, info.id);
        session->start();
        return session;
    };
}

} // namespace OnvifSim
