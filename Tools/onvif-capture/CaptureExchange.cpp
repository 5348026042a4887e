#include "CaptureExchange.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cstring>

#include "CaptureXml.h"
#include "SOAPFramework/SOAPCall.h"
#include "SOAPFramework/SOAPTransport.h"

namespace OnvifCapture {

using namespace Zentar::SOAPFramework;

namespace {

const char kDefaultContentType[] = "application/soap+xml; charset=utf-8";

} // namespace

bool IsSoapFault(const std::string& body)
{
    pugi::xml_document doc;
    if (!doc.load_buffer(body.data(), body.size()))
        return false;
    for (pugi::xml_node envelope : doc.children())
        if (LocalName(envelope) == "Envelope")
            for (pugi::xml_node part : envelope.children())
                if (LocalName(part) == "Body")
                    return LocalName(part.first_child()) == "Fault";
    return false;
}

bool CCapturedAnswer::refusesCredentials() const
{
    if (!arrived())
        return false;
    if (status == 401)
        return true;
    // Devices that refuse with 400, 500 or even 200 name the reason in the fault's subcode.
    const bool named = body.find("NotAuthorized") != std::string::npos ||
                       body.find("FailedAuthentication") != std::string::npos;
    return named && IsSoapFault(body);
}

CCaptureExchange::CCaptureExchange(const CCaptureOptions& options) : m_options(options)
{
    // An IPv6 literal needs brackets, or its colons run into the port.
    const bool literal6 = options.host.find(':') != std::string::npos && options.host[0] != '[';
    const int port = options.port ? options.port : (options.https ? 443 : 80);
    const std::string host = literal6 ? "[" + options.host + "]" : options.host;
    m_base = std::string(options.https ? "https://" : "http://") + host + ":" + std::to_string(port);
    if (options.auth == "digest") {
        m_method = EMethod::Digest;
        m_settled = true;
    } else if (options.auth == "wsse") {
        m_settled = true;
    }
}

CCapturedAnswer CCaptureExchange::send(const std::string& url, const RPC::Onvif::OnvifOperation& row,
                                       const Json::Value& req, bool anonymous)
{
    if (anonymous)
        return post(url, row, req, nullptr);
    if (m_settled)
        return post(url, row, req, &m_method);
    // "auto": WS-Security first; a device that refuses it is asked again with HTTP digest.
    const EMethod wsse = EMethod::Wsse, digest = EMethod::Digest;
    CCapturedAnswer answer = post(url, row, req, &wsse);
    if (answer.arrived() && (answer.status == 400 || answer.status == 401)) {
        CCapturedAnswer second = post(url, row, req, &digest);
        if (second.arrived() && !second.refusesCredentials()) {
            m_method = EMethod::Digest;
            m_settled = true;
        }
        return second;
    }
    if (answer.arrived() && !answer.refusesCredentials())
        m_settled = true;   // WS-Security it is
    return answer;
}

CCapturedAnswer CCaptureExchange::post(const std::string& url, const RPC::Onvif::OnvifOperation& row,
                                       const Json::Value& req, const EMethod* method)
{
    CCapturedAnswer answer;
    CSOAPMessage request(true, 2, SOAP_MODE_PLAIN);
    CSOAPMessage response(static_cast<const char*>(nullptr));
    if (RPC::Onvif::composeRequest(row, req, request) != 0) {
        answer.transportError = CCapturedAnswer::kNotComposed;
        return answer;
    }
    if (method)
        request.addAuthorization(m_options.user.c_str(), m_options.password.c_str(), false, m_clockOffset, nullptr,
                                 *method == EMethod::Digest ? AUTH_HTTP_DIGEST : AUTH_WSSE_DIGEST);
    CSOAPTransport transport(url.c_str());
    transport.setConnectTimeout(std::min(m_options.timeoutMs, 5000));
    transport.setSendTimeout(m_options.timeoutMs);
    transport.setRecvTimeout(m_options.timeoutMs);
    transport.setTimeout(3 * m_options.timeoutMs);
    int error = 0;
    call(transport, request, response, &error);
    // Any HTTP answer is the device's own, a fault or a page that is no SOAP at all included.
    answer.status = transport.getHttpStatus();
    if (answer.status == 0) {
        answer.transportError = error ? error : kSOAPErrorOther;
        return answer;
    }
    const char* type = transport.getHTTPHeader("Content-Type");
    answer.contentType = type && *type ? type : kDefaultContentType;
    answer.body = transport.getResponseBody();
    return answer;
}

} // namespace OnvifCapture
