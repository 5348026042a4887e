#include "OnvifFramework/Utility/OnvifProtoCore.h"

#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
namespace Onvif {

int COnvifProtoChildCore::execute(const char* name, const Json::Value& req, Json::Value& rsp)
{
    if (!name) {
        ONVIF_ERRLN();
        return ONVIF_EXEC_NULL_NAME;
    }
    return dispatch(name, req, rsp);
}

int COnvifProtoCore::execute(const char* name, const Json::Value& req, Json::Value& rsp)
{
    if (!name) {
        ONVIF_ERRLN();
        return ONVIF_EXEC_NULL_NAME;
    }
    const std::string op(name);
    int ret = dispatch(op, req, rsp);
    for (size_t i = 0; ret == ONVIF_EXEC_UNKNOWN && i < m_children.size(); ++i)
        ret = m_children[i]->dispatch(op, req, rsp);
    return ret;
}

} // namespace Onvif
} // namespace RPC
