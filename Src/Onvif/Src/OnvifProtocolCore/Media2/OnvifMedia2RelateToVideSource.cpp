#include "OnvifProtocolCore/Media2/OnvifMedia2RelateToVideSource.h"

#include "OnvifFramework/Utility/OnvifCommonFields.h"
#include "OnvifFramework/Utility/OnvifFieldMap.h"
#include "OnvifFramework/Utility/OnvifLog.h"
#include "OnvifFramework/Utility/OnvifNamespaces.h"
#include "OnvifFramework/Utility/OnvifRecordKeys.h"

namespace RPC {
namespace Onvif {

namespace {

using namespace CommonFields;

// Flags in any letter case, as devices write them; positions, polygons and colours keep
// their fractions (a -1..1 coordinate read as an integer would lose the position).
constexpr COnvifFieldMap::Style kDeviceText = COnvifFieldMap::FLAGS_ANY_CASE;

// ---- OSDs -------------------------------------------------------------------------------

const OnvifField kGetOSDsIn[] = {textField("OSDToken", "./OSDToken"), textField("ConfigurationToken", "./ConfigurationToken"),
                                 {}};
const OnvifField kOSDTokenIn[] = {textField("OSDToken", "./OSDToken"), {}};
const OnvifField kOSDTokenOut[] = {textField("OSDToken", "./OSDToken"), {}};

// The OSD is a schema type: its children are written in the schema namespace.
struct COsdIn : COnvifFieldMap {
    COsdIn() { addRequest("OSD", "./tr2:OSD", {kOsd}); }
};
struct COsdsOut : COnvifFieldMap {
    COsdsOut() : COnvifFieldMap(kDeviceText) { addList("OSDs", "./OSDs", {kOsd}); }
};
struct COsdOptionsOut : COnvifFieldMap {
    COsdOptionsOut() : COnvifFieldMap(kDeviceText) { add("OSDOptions", "./OSDOptions", {kOsdOptions}); }
};

// ---- Masks ------------------------------------------------------------------------------
// A mask is a type of the service itself, so its own children carry the service's prefix;
// its polygon's points and its colour are schema types.

const OnvifField kPointOut[] = {realField("x", "@x"), realField("y", "@y"), {}};
const OnvifField kMaskOut[] = {
    textField("token", "@token"),
    textField("ConfigurationToken", "ConfigurationToken"),
    recordListField("Polygon.Point", "Polygon/Point", kPointOut),
    textField("Type", "Type"),
    realField("Color.X", "Color/@X"),
    realField("Color.Y", "Color/@Y"),
    realField("Color.Z", "Color/@Z"),
    textField("Color.Colorspace", "Color/@Colorspace"),
    boolField("Enabled", "Enabled"),
    {},
};
struct CMasksOut : COnvifFieldMap {
    CMasksOut() : COnvifFieldMap(kDeviceText) { addList("Masks", "./Masks", {kMaskOut}); }
};

const OnvifField kMaskOptionsOut[] = {
    intField("MaxMasks", "MaxMasks"),
    intField("MaxPoints", "MaxPoints"),
    textListField("Types", "Types[%d]"),
    boolField("RectangleOnly", "@RectangleOnly"),
    boolField("SingleColorOnly", "@SingleColorOnly"),
    {},
};
struct CMaskOptionsOut : COnvifFieldMap {
    CMaskOptionsOut() : COnvifFieldMap(kDeviceText)
    {
        add("Options", "./Options", {kMaskOptionsOut});
        add("Options.Color", "./Options/Color", {kColorOptions});
    }
};

const OnvifField kPointIn[] = {
    realField("x", "./tr2:Mask/tr2:Polygon/tt:Point[%d]/@x"),
    realField("y", "./tr2:Mask/tr2:Polygon/tt:Point[%d]/@y"),
    {},
};
const OnvifField kMaskIn[] = {
    textField("Mask.Token", "./tr2:Mask/@token"),
    textField("Mask.ConfigurationToken", "./tr2:Mask/tr2:ConfigurationToken"),
    recordListField("Mask.Polygon.Point", "./tr2:Mask/tr2:Polygon/tt:Point", kPointIn),
    textField("Mask.Type", "./tr2:Mask/tr2:Type"),
    realField("Mask.Color.X", "./tr2:Mask/tr2:Color/@X"),
    realField("Mask.Color.Y", "./tr2:Mask/tr2:Color/@Y"),
    realField("Mask.Color.Z", "./tr2:Mask/tr2:Color/@Z"),
    textField("Mask.Color.Colorspace", "./tr2:Mask/tr2:Color/@Colorspace"),
    boolField("Mask.Enabled", "./tr2:Mask/tr2:Enabled"),
    {},
};
const OnvifField kGetMasksIn[] = {textField("Token", "./Token"), textField("ConfigurationToken", "./ConfigurationToken"),
                                  {}};
const OnvifField kMaskTokenIn[] = {textField("Token", "./Token"), {}};
const OnvifField kMaskTokenOut[] = {textField("Token", "./Token"), {}};

// A change names the mask it changes: "MaskToken" is required and becomes the mask's token.
int requireMaskToken(Json::Value& req)
{
    const std::string token = textOr(req, "MaskToken", "");
    if (token.empty() || !req.isObject()) {
        ONVIF_LOG(LOG_ERROR, "[ERRLN] SetMask needs MaskToken\n");
        return -1;
    }
    makeKey(req, "Mask.Token") = token;
    return 0;
}

constexpr OnvifService kTr2{"tr2", Namespaces::kMedia2};

const OnvifOperation kRows[] = {
    kTr2("GetOSDOptions").in(kConfigurationTokenIn).out(fieldsOf<COsdOptionsOut>()),
    kTr2("GetOSDs").in(kGetOSDsIn).out(fieldsOf<COsdsOut>()),
    kTr2("CreateOSD").in(fieldsOf<COsdIn>()).out(kOSDTokenOut),
    kTr2("SetOSD").in(fieldsOf<COsdIn>()),
    kTr2("DeleteOSD").in(kOSDTokenIn),
    kTr2("GetMaskOptions").in(kConfigurationTokenIn).out(fieldsOf<CMaskOptionsOut>()),
    kTr2("GetMasks").in(kGetMasksIn).out(fieldsOf<CMasksOut>()),
    kTr2("CreateMask").in(kMaskIn).out(kMaskTokenOut),
    kTr2("SetMask").in(kMaskIn).prepares(requireMaskToken),
    kTr2("DeleteMask").in(kMaskTokenIn),
};

} // namespace

const COnvifOperationTable& COnvifMedia2RelateToVideSource::operationTable()
{
    static const COnvifOperationTable table(kRows);
    return table;
}

} // namespace Onvif
} // namespace RPC
