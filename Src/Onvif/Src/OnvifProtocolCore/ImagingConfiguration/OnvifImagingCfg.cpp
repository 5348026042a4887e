#include "OnvifProtocolCore/ImagingConfiguration/OnvifImagingCfg.h"

#include <string>
#include <strings.h>

#include "OnvifFramework/Utility/OnvifCommonFields.h"
#include "OnvifFramework/Utility/OnvifFieldMap.h"
#include "OnvifFramework/Utility/OnvifNamespaces.h"

namespace RPC {
namespace Onvif {

namespace {

using namespace CommonFields;

const OnvifField kSourceTokenIn[] = {textField("VideoSourceToken", "./VideoSourceToken"), {}};

// "Exposure.MinGain" -> "Exposure/MinGain".
std::string pathOf(const std::string& key)
{
    std::string path = key;
    for (char& c : path)
        c = c == '.' ? '/' : c;
    return path;
}

// Each named value as a {"Min", "Max"} record under base.
void addRanges(COnvifFieldMap& map, const std::string& keyBase, const std::string& pathBase,
               std::initializer_list<const char*> names)
{
    for (const char* name : names)
        map.add(keyBase + "." + name, pathBase + "/" + pathOf(name), {kFloatRange});
}

const OnvifField kOptionModes[] = {
    textListField("BacklightCompensation.Mode", "BacklightCompensation/Mode[%d]"),
    textListField("Exposure.Mode", "Exposure/Mode[%d]"),
    textListField("Exposure.Priority", "Exposure/Priority[%d]"),
    textListField("Focus.AutoFocusModes", "Focus/AutoFocusModes[%d]"),
    textListField("IrCutFilterModes", "IrCutFilterModes[%d]"),
    textListField("WideDynamicRange.Mode", "WideDynamicRange/Mode[%d]"),
    textListField("WhiteBalance.Mode", "WhiteBalance/Mode[%d]"),
    {},
};
struct COptionsMap : COnvifFieldMap {
    COptionsMap()
    {
        addRanges(*this, "ImagingOptions", "./ImagingOptions",
                  {"BacklightCompensation.Level", "Brightness", "ColorSaturation", "Contrast",
                   "Exposure.MinExposureTime", "Exposure.MaxExposureTime", "Exposure.MinGain", "Exposure.MaxGain",
                   "Exposure.MinIris", "Exposure.MaxIris", "Exposure.ExposureTime", "Exposure.Gain", "Exposure.Iris",
                   "Focus.DefaultSpeed", "Focus.NearLimit", "Focus.FarLimit", "Sharpness", "WideDynamicRange.Level",
                   "WhiteBalance.YrGain", "WhiteBalance.YbGain"});
        add("ImagingOptions", "./ImagingOptions", {kOptionModes});
    }
};

struct CSettingsMap : COnvifFieldMap {
    CSettingsMap() { add("ImagingSettings", "./ImagingSettings", {kImagingSettings}); }
};
const OnvifField kForcePersistence[] = {boolField("ForcePersistence", "./ForcePersistence"), {}};
struct CSetSettingsMap : COnvifFieldMap {
    CSetSettingsMap()
    {
        add("", "", {kSourceTokenIn});
        addRequest("ImagingSettings", "./ImagingSettings", {kImagingSettings});
        add("", "", {kForcePersistence});
    }
};

const OnvifField kFocusStatusOut[] = {
    realField("Status.FocusStatus20.Position", "./Status/FocusStatus20/Position"),
    textField("Status.FocusStatus20.MoveStatus", "./Status/FocusStatus20/MoveStatus"),
    textField("Status.FocusStatus20.Error", "./Status/FocusStatus20/Error"),
    {},
};

struct CMoveOptionsMap : COnvifFieldMap {
    CMoveOptionsMap()
    {
        addRanges(*this, "MoveOptions", "./MoveOptions",
                  {"Absolute.Position", "Absolute.Speed", "Relative.Distance", "Relative.Speed", "Continuous.Speed"});
    }
};

// The focus move of one kind (absolute, relative or continuous) the caller fills in.
const OnvifField kFocusMoveIn[] = {
    textField("VideoSourceToken", "./VideoSourceToken"),
    realField("Focus.Absolute.Position", "./Focus/tt:Absolute/tt:Position"),
    realField("Focus.Absolute.Speed", "./Focus/tt:Absolute/tt:Speed"),
    realField("Focus.Relative.Distance", "./Focus/tt:Relative/tt:Distance"),
    realField("Focus.Relative.Speed", "./Focus/tt:Relative/tt:Speed"),
    realField("Focus.Continuous.Speed", "./Focus/tt:Continuous/tt:Speed"),
    {},
};

// The flag is an attribute of Capabilities; firmware writes it in any letter case.
int readImageStabilization(CSOAPMessage& response, const Json::Value&, Json::Value& rsp)
{
    if (const char* text = response.getAsCString("./Capabilities/@ImageStabilization"))
        rsp["Capabilities"]["ImageStabilization"] = strcasecmp(text, "true") == 0;
    return 0;
}

constexpr OnvifService kTimg{"timg", Namespaces::kImaging};

const OnvifOperation kRows[] = {
    kTimg("GetOptions").in(kSourceTokenIn).out(fieldsOf<COptionsMap>()),
    kTimg("GetImagingSettings").in(kSourceTokenIn).out(fieldsOf<CSettingsMap>()),
    kTimg("SetImagingSettings").in(fieldsOf<CSetSettingsMap>()),
    kTimg("GetStatus").in(kSourceTokenIn).out(kFocusStatusOut),
    kTimg("GetMoveOptions").in(kSourceTokenIn).out(fieldsOf<CMoveOptionsMap>()),
    kTimg("Move").within("Move").in(kFocusMoveIn),
    kTimg("Stop").in(kSourceTokenIn),
    kTimg("GetImageServiceCapabilities", "GetServiceCapabilities").reads(readImageStabilization),
};

} // namespace

const COnvifOperationTable& COnvifImagingCfg::operationTable()
{
    static const COnvifOperationTable table(kRows);
    return table;
}

} // namespace Onvif
} // namespace RPC
