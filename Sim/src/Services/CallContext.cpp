#include "Services/ServiceHandler.h"

namespace OnvifSim {

CXmlNode CCallContext::respond()
{
    return m_answer.body().add(m_soap.operationNamespace(), m_soap.operation() + "Response");
}

std::string CCallContext::baseUrl() const
{
    std::string scheme = m_connection.https ? "https://" : "http://";
    if (!m_state.current.advertisedHost.empty())
        return scheme + m_state.current.advertisedHost;
    std::string host = m_http.header("Host");
    if (host.empty()) {
        bool v6 = m_connection.localAddress.find(':') != std::string::npos;
        host = (v6 ? "[" + m_connection.localAddress + "]" : m_connection.localAddress) + ":" +
               std::to_string(m_connection.localPort);
    }
    return scheme + host;
}

std::string CCallContext::xaddr(const std::string& serviceKey) const
{
    auto it = m_state.current.services.find(serviceKey);
    return it == m_state.current.services.end() ? std::string() : baseUrl() + it->second;
}

bool ParseXsBoolean(const std::string& text, bool& value)
{
    if (text == "true" || text == "1")
        value = true;
    else if (text == "false" || text == "0")
        value = false;
    else
        return false;
    return true;
}

} // namespace OnvifSim
