#pragma once
// The PTZ (ver20) service object of one device and its three areas: moving (moves, stop,
// status, home position, auxiliary switches), presets and preset tours, and the node and
// configuration records that say what a dome can do. Callers name operations by their
// registered names ("PTZStop", "GetPTZPresets", ...) and never need to know the area.
#include "OnvifFramework/Utility/OnvifProtoCore.h"

namespace RPC {
namespace Onvif {

class COnvifPTZControl : public COnvifProtoCore {
public:
    explicit COnvifPTZControl(const COnvifLoginInfo& login);
    const char* getServiceName() const override { return "PtzControl"; }
};

class COnvifPTZMove : public COnvifProtoChildCore {
public:
    explicit COnvifPTZMove(const COnvifLoginInfo& login) : COnvifProtoChildCore(login, operationTable()) {}
    const char* getServiceName() const override { return "PTZMove"; }
    static const COnvifOperationTable& operationTable();
};

class COnvifPTZPreset : public COnvifProtoChildCore {
public:
    explicit COnvifPTZPreset(const COnvifLoginInfo& login) : COnvifProtoChildCore(login, operationTable()) {}
    const char* getServiceName() const override { return "PTZPreset"; }
    static const COnvifOperationTable& operationTable();
};

class COnvifPTZNodeCfg : public COnvifProtoChildCore {
public:
    explicit COnvifPTZNodeCfg(const COnvifLoginInfo& login) : COnvifProtoChildCore(login, operationTable()) {}
    const char* getServiceName() const override { return "PTZNodeCfg"; }
    static const COnvifOperationTable& operationTable();
};

} // namespace Onvif
} // namespace RPC
