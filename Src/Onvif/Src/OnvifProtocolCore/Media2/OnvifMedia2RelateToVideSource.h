#pragma once
// What the Media2 (ver20) service keeps per video source configuration: the on-screen
// displays (OSDs) drawn into the picture and the privacy masks that hide parts of it.
//
// Names served by execute: "GetOSDOptions", "GetOSDs", "CreateOSD", "SetOSD", "DeleteOSD",
// "GetMaskOptions", "GetMasks", "CreateMask", "SetMask", "DeleteMask". An OSD travels as
// the record "OSD" (answers: "OSDs"[i]), a mask as "Mask" (answers: "Masks"[i]) with its
// polygon as "Polygon"."Point"[i] {"x", "y"}.
#include "OnvifFramework/Utility/OnvifProtoCore.h"

namespace RPC {
namespace Onvif {

class COnvifMedia2RelateToVideSource : public COnvifProtoChildCore {
public:
    explicit COnvifMedia2RelateToVideSource(const COnvifLoginInfo& login)
        : COnvifProtoChildCore(login, operationTable())
    {
    }
    const char* getServiceName() const override { return "Media2RelateToVideSource"; }

    static const COnvifOperationTable& operationTable();
};

} // namespace Onvif
} // namespace RPC
