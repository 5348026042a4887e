// What a dome can do and how it is set up: its nodes (coordinate spaces, preset and tour
// maxima, auxiliary commands), its PTZ configurations and their options, and the service's
// capabilities.
#include <string>

#include "OnvifFramework/Utility/OnvifCommonFields.h"
#include "OnvifFramework/Utility/OnvifFieldMap.h"
#include "OnvifProtocolCore/PTZControl/OnvifPTZControl.h"
#include "OnvifProtocolCore/PTZControl/OnvifPtzRows.h"

namespace RPC {
namespace Onvif {

namespace {

using namespace CommonFields;
using namespace PtzRows;

// ---- Coordinate spaces (tt:PTZSpaces) ------------------------------------------------------

const OnvifField kSpace1D[] = {
    textField("URI", "URI"),
    realField("XRange.Min", "XRange/Min"),
    realField("XRange.Max", "XRange/Max"),
    {},
};
const OnvifField kSpace2D[] = {
    textField("URI", "URI"),
    realField("XRange.Min", "XRange/Min"),
    realField("XRange.Max", "XRange/Max"),
    realField("YRange.Min", "YRange/Min"),
    realField("YRange.Max", "YRange/Max"),
    {},
};
// One array per kind of space; pan/tilt positions, translations and velocities have a
// second axis, speeds do not.
const OnvifField kSpaces[] = {
    recordListField("AbsolutePanTiltPositionSpace", "AbsolutePanTiltPositionSpace", kSpace2D),
    recordListField("AbsoluteZoomPositionSpace", "AbsoluteZoomPositionSpace", kSpace1D),
    recordListField("RelativePanTiltTranslationSpace", "RelativePanTiltTranslationSpace", kSpace2D),
    recordListField("RelativeZoomTranslationSpace", "RelativeZoomTranslationSpace", kSpace1D),
    recordListField("ContinuousPanTiltVelocitySpace", "ContinuousPanTiltVelocitySpace", kSpace2D),
    recordListField("ContinuousZoomVelocitySpace", "ContinuousZoomVelocitySpace", kSpace1D),
    recordListField("PanTiltSpeedSpace", "PanTiltSpeedSpace", kSpace1D),
    recordListField("ZoomSpeedSpace", "ZoomSpeedSpace", kSpace1D),
    {},
};

// ---- Nodes (tt:PTZNode) ---------------------------------------------------------------------

const OnvifField kNodeHead[] = {
    textField("token", "@token"),
    boolField("FixedHomePosition", "@FixedHomePosition"),
    textField("Name", "Name"),
    intField("MaximumNumberOfPresets", "MaximumNumberOfPresets"),
    boolField("HomeSupported", "HomeSupported"),
    textListField("AuxiliaryCommands", "AuxiliaryCommands[%d]"),
    intField("Extension.SupportedPresetTour.MaximumNumberOfPresetTours",
             "Extension/SupportedPresetTour/MaximumNumberOfPresetTours"),
    {},
};
struct CNodesMap : COnvifFieldMap {
    CNodesMap()
    {
        addList("PTZNode", "./PTZNode", {kNodeHead, under("SupportedPTZSpaces", "SupportedPTZSpaces", {kSpaces})});
    }
};
struct CNodeMap : COnvifFieldMap {
    CNodeMap()
    {
        add("PTZNode", "./PTZNode", {kNodeHead, under("SupportedPTZSpaces", "SupportedPTZSpaces", {kSpaces})});
    }
};
const OnvifField kNodeTokenIn[] = {textField("NodeToken", "./NodeToken").required(), {}};

// ---- Configurations (tt:PTZConfiguration) ----------------------------------------------------

// Head, spaces, default speed, then time-out and limits: the schema's order, which
// SetConfiguration must keep.
void addConfiguration(COnvifFieldMap& map, const std::string& key, const std::string& path, bool request)
{
    const std::string speedKey = key + ".DefaultPTZSpeed";
    if (request) {
        map.addRequest(key, path, {kConfigurationHead, kPtzConfigurationSpaces})
            .addRequest(speedKey, path + "/tt:DefaultPTZSpeed", {kPtzPanTilt, kPtzZoom})
            .addRequest(key, path, {kPtzConfigurationLimits});
    } else {
        map.add(key, path, {kConfigurationHead, kPtzConfigurationSpaces, kPtzConfigurationLimits})
            .add(speedKey, path + "/DefaultPTZSpeed", {kPtzPanTilt, kPtzZoom});
    }
}
struct CConfigurationMap : COnvifFieldMap {
    CConfigurationMap() { addConfiguration(*this, "PTZConfiguration", "./PTZConfiguration", false); }
};
struct CConfigurationListMap : COnvifFieldMap {
    CConfigurationListMap()
    {
        addList("PTZConfiguration", "./PTZConfiguration",
                {kConfigurationHead, kPtzConfigurationSpaces, kPtzConfigurationLimits,
                 under("DefaultPTZSpeed", "DefaultPTZSpeed", {kPtzPanTilt, kPtzZoom})});
    }
};
const OnvifField kForcePersistence[] = {boolField("ForcePersistence", "./ForcePersistence"), {}};
struct CSetConfigurationMap : COnvifFieldMap {
    CSetConfigurationMap()
    {
        addConfiguration(*this, "PTZConfiguration", "./PTZConfiguration", true);
        add("", "", {kForcePersistence});
    }
};
const OnvifField kConfigurationTokenRequired[] = {
    textField("PTZConfigurationToken", "./PTZConfigurationToken").required(),
    {},
};
const OnvifField kOptionsTokenRequired[] = {textField("ConfigurationToken", "./ConfigurationToken").required(), {}};

const OnvifField kOptionsRest[] = {
    textField("PTZTimeout.Min", "PTZTimeout/Min"),
    textField("PTZTimeout.Max", "PTZTimeout/Max"),
    textListField("PTControlDirection.EFlip.Mode", "PTControlDirection/EFlip/Mode[%d]"),
    textListField("PTControlDirection.Reverse.Mode", "PTControlDirection/Reverse/Mode[%d]"),
    {},
};
struct COptionsMap : COnvifFieldMap {
    COptionsMap()
    {
        add("PTZConfigurationOptions", "./PTZConfigurationOptions",
            {under("Spaces", "Spaces", {kSpaces}), kOptionsRest});
    }
};

// ---- Service capabilities ----------------------------------------------------------------------

// Read where older firmware put the flags (child elements) and where the schema puts them
// (attributes of Capabilities); the schema's form wins when a device sends both.
const OnvifField kCapabilitiesOut[] = {
    boolField("EFlip", "./EFlip"),
    boolField("Reverse", "./Reverse"),
    boolField("GetCompatibleConfigurations", "./GetCompatibleConfigurations"),
    boolField("EFlip", "./Capabilities/@EFlip"),
    boolField("Reverse", "./Capabilities/@Reverse"),
    boolField("GetCompatibleConfigurations", "./Capabilities/@GetCompatibleConfigurations"),
    {},
};

const OnvifOperation kRows[] = {
    row("GetPTZCfgOptions", "GetConfigurationOptions").in(kOptionsTokenRequired).out(fieldsOf<COptionsMap>())
        .failText("GetConfigurationOptions fail\n"),
    row("GetPTZCfgs", "GetConfigurations").out(fieldsOf<CConfigurationListMap>()),
    row("GetPTZServiceCapabilities", "GetServiceCapabilities").out(kCapabilitiesOut),
    row("GetPTZNodes", "GetNodes").out(fieldsOf<CNodesMap>()),
    row("GetPTZNode", "GetNode").in(kNodeTokenIn).out(fieldsOf<CNodeMap>()),
    row("GetPTZCfg", "GetConfiguration").in(kConfigurationTokenRequired).out(fieldsOf<CConfigurationMap>()),
    row("SetPTZCfg", "SetConfiguration").in(fieldsOf<CSetConfigurationMap>()),
    row("GetPTZCompatibleCfgs", "GetCompatibleConfigurations").in(kProfileTokenRequired)
        .out(fieldsOf<CConfigurationListMap>()),
};

} // namespace

const COnvifOperationTable& COnvifPTZNodeCfg::operationTable()
{
    static const COnvifOperationTable table(kRows);
    return table;
}

} // namespace Onvif
} // namespace RPC
