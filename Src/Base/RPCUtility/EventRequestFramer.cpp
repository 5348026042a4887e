#include "Base/RPCUtility/EventRequestFramer.h"

#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {

using namespace RPC::Onvif;
using namespace Zentar::NetProtocol;

CEventRequestFramer::Result CEventRequestFramer::feed(const char* data, size_t length, size_t& used)
{
    const int status = m_parser.Append(data, length);
    used = m_parser.GetConsumed();
    m_fill += used;
    if (status != HTTP_PARSE_MORE && status != HTTP_PARSE_SUCCESS) {
        ONVIF_LOG(LOG_WARN, "CEventServerSession findHttpMsg failed, parse httpmsg failed\n");
        return BAD;
    }
    if (m_fill > kBufferSize) {
        ONVIF_LOG(LOG_WARN, "CEventServerSession handle_input, error!\n");
        return BAD;
    }
    if (status == HTTP_PARSE_MORE)
        return MORE;
    return m_parser.IsRequest() ? REQUEST : RESPONSE;
}

std::string CEventRequestFramer::url() const
{
    const char* uri = m_parser.GetURI();
    std::string text = uri ? uri : "";
    if (text.size() > kMaxUrlLength)
        text.resize(kMaxUrlLength);
    return text;
}

void CEventRequestFramer::next()
{
    m_parser.Reset();
    m_fill = 0;
}

} // namespace RPC
