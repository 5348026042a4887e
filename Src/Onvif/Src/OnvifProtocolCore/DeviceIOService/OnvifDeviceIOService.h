#pragma once
// The device IO service object of one device ("DeviceIOService"): what inputs and outputs
// the device has and the state of its digital inputs, asked at the DeviceIO address; and,
// through its "IO" area, the relay outputs, which every device offers at its device
// service address.
//
// Names served by execute: "GetServiceCapabilities" (result "Capabilities" with the counts
// "VideoSources", "VideoOutputs", "AudioSources", "AudioOutputs", "RelayOutputs",
// "SerialPorts", "DigitalInputs"), "GetDigitalInputs" ("DigitalInputs"[i] {"token",
// "IdleState"}), and the IO area's names.
#include "OnvifFramework/Utility/OnvifProtoCore.h"

namespace RPC {
namespace Onvif {

class COnvifDeviceIOService : public COnvifProtoCore {
public:
    explicit COnvifDeviceIOService(const COnvifLoginInfo& login);
    const char* getServiceName() const override { return "DeviceIOService"; }

    static const COnvifOperationTable& operationTable();
};

} // namespace Onvif
} // namespace RPC
