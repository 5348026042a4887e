#pragma once
// Operations of the PTZ (ver20) service, grouped by subject: moves and status
// (PtzService.cpp), presets and tours (PtzPresetOps.cpp), nodes and configurations
// (PtzNodeOps.cpp). All of them work on the device's one CPtzState.
#include "Ptz/PtzModel.h"
#include "Services/ServiceHandler.h"

#include <functional>
#include <vector>

namespace OnvifSim {

// The PTZ state of a call's device, with the media profiles it refers to in place.
CPtzState PtzOf(CCallContext& ctx);
// The node behind the request's ProfileToken.
Json::Value& ProfileNode(CCallContext& ctx, CPtzState& ptz);

// A tt:PTZVector / tt:PTZSpeed as a request carries it; absent parts stay unset.
struct CPtzVectorIn {
    bool hasPanTilt = false, hasPanTiltY = false, hasZoom = false;
    double x = 0, y = 0, zoom = 0;
    std::string panTiltSpace, zoomSpace;
};
// Reads parent/element; numbers that do not parse are the device's InvalidArgVal fault.
CPtzVectorIn ReadPtzVector(pugi::xml_node parent, const char* element);
// The speeds of a request's Speed element (0..1 each), the fallback for what it leaves out.
CAxes ReadPtzSpeed(pugi::xml_node parent, const CAxes& fallback, const char* element = "Speed");
void WritePtzVector(CXmlNode parent, const std::string& ns, const char* element, const CAxes& a, bool panTilt,
                    bool zoom);
std::string PtzNumber(double v);
const Json::Value& ConfigurationOfNode(CPtzState& ptz, const Json::Value& node);

void AppendPtzPresetOperations(std::vector<COperation>& ops);   // PtzPresetOps.cpp
void AppendPtzNodeOperations(std::vector<COperation>& ops);     // PtzNodeOps.cpp
void WritePtzCapabilities(CCallContext& ctx, CXmlNode parent);

// The PTZ configuration a profile of `channel` carries, written into element (Media's
// tt:PTZConfiguration or Media2's PTZ); false when the channel has no dome.
bool WriteProfilePtzConfiguration(CDeviceState& state, int channel, const std::function<CXmlNode()>& element);

} // namespace OnvifSim
