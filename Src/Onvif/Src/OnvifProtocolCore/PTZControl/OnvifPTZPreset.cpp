// Presets and preset tours. A preset is a stored position named by the device's token; a
// tour visits presets in order, each for its stay time. Tours come back with their spots
// nested inside each tour, and ModifyPresetTour sends the whole list of spots again.
#include "OnvifFramework/Utility/OnvifCommonFields.h"
#include "OnvifFramework/Utility/OnvifFieldMap.h"
#include "OnvifFramework/Utility/OnvifLog.h"
#include "OnvifFramework/Utility/OnvifRecordKeys.h"
#include "OnvifProtocolCore/PTZControl/OnvifPTZControl.h"
#include "OnvifProtocolCore/PTZControl/OnvifPtzRows.h"

namespace RPC {
namespace Onvif {

namespace {

using namespace CommonFields;
using namespace PtzRows;

// ---- Presets -------------------------------------------------------------------------------

const OnvifField kSetPresetIn[] = {
    textField("ProfileToken", "./ProfileToken"),
    textField("PresetName", "./PresetName"),
    textField("PresetToken", "./PresetToken"),
    {},
};
const OnvifField kPresetTokenOut[] = {textField("PresetToken", "./PresetToken"), {}};

const OnvifField kPresetTokensRequired[] = {
    textField("ProfileToken", "./ProfileToken").required(),
    textField("PresetToken", "./PresetToken").required(),
    {},
};
struct CGotoPresetMap : COnvifFieldMap {
    CGotoPresetMap()
    {
        add("", "", {kPresetTokensRequired});
        addRequest("Speed", "./Speed", {kPtzPanTilt, kPtzZoom});
    }
};
const OnvifField kRemovePresetIn[] = {
    textField("ProfileToken", "./ProfileToken"),
    textField("PresetToken", "./PresetToken"),
    {},
};

// A preset without a position (some domes store only a name) gives token and Name alone.
const OnvifField kPresetHead[] = {textField("token", "@token"), textField("Name", "Name"), {}};
struct CPresetsMap : COnvifFieldMap {
    CPresetsMap()
    {
        addList("Preset", "./Preset", {kPresetHead, under("Position", "PTZPosition", {kPtzPanTilt, kPtzZoom})});
    }
};

// ---- Tours ---------------------------------------------------------------------------------

// tt:PresetTour up to its spots, in the schema's order (the request side writes it so).
const OnvifField kTourHead[] = {
    textField("Token", "@token"),
    textField("Name", "Name"),
    textField("Status.State", "Status/State"),
    boolField("AutoStart", "AutoStart"),
    intField("StartingCondition.RecurringTime", "StartingCondition/RecurringTime"),
    textField("StartingCondition.RecurringDuration", "StartingCondition/RecurringDuration"),
    textField("StartingCondition.Direction", "StartingCondition/Direction"),
    {},
};
const OnvifField kStayTime[] = {textField("StayTime", "StayTime"), {}};
const OnvifField kSpotPreset[] = {textField("PresetDetail.PresetToken", "PresetDetail/PresetToken"), {}};
const OnvifField kSpotHome[] = {boolField("PresetDetail.Home", "PresetDetail/Home"), {}};

struct CToursMap : COnvifFieldMap {
    CToursMap()
    {
        addList("PresetTour", "./PresetTour",
                {kTourHead,
                 listOf("TourSpot", "TourSpot", {under("Speed", "Speed", {kPtzPanTilt}), kStayTime, kSpotPreset})});
    }
};

// One tour in full: where it stands now, and each spot's position when the spot is one.
struct CTourMap : COnvifFieldMap {
    CTourMap()
    {
        const OnvifField* position =
            under("PresetDetail.PTZPosition", "PresetDetail/PTZPosition", {kPtzPanTilt, kPtzZoom});
        const OnvifField* current =
            under("Status.CurrentTourSpot", "Status/CurrentTourSpot",
                  {under("Speed", "Speed", {kPtzPanTilt, kPtzZoom}), kStayTime, kSpotPreset, kSpotHome, position});
        const OnvifField* spots =
            listOf("TourSpot", "TourSpot",
                   {under("Speed", "Speed", {kPtzPanTilt}), kStayTime, kSpotPreset, kSpotHome, position});
        add("PresetTour", "./PresetTour", {kTourHead, current, spots});
    }
};

struct CTourOptionsMap : COnvifFieldMap {
    CTourOptionsMap()
    {
        const char* detail = "TourSpot.PresetDetail";
        const OnvifField* parts[] = {
            under("StartingCondition.RecurringTime", "StartingCondition/RecurringTime", {kRange}),
            under(std::string(detail) + ".PanTiltPositionSpace.XRange",
                  "TourSpot/PresetDetail/PanTiltPositionSpace/XRange", {kFloatRange}),
            under(std::string(detail) + ".PanTiltPositionSpace.YRange",
                  "TourSpot/PresetDetail/PanTiltPositionSpace/YRange", {kFloatRange}),
            under(std::string(detail) + ".ZoomPositionSpace.XRange", "TourSpot/PresetDetail/ZoomPositionSpace/XRange",
                  {kFloatRange}),
        };
        static const OnvifField kFlags[] = {
            boolField("AutoStart", "AutoStart"),
            textListField("StartingCondition.Direction", "StartingCondition/Direction[%d]"),
            boolField("TourSpot.PresetDetail.Home", "TourSpot/PresetDetail/Home"),
            {},
        };
        add("Options", "./Options", {kFlags, parts[0], parts[1], parts[2], parts[3]});
    }
};

const OnvifField kTourTokenOut[] = {textField("PresetTourToken", "./PresetTourToken"), {}};
const OnvifField kTourTokensRequired[] = {
    textField("ProfileToken", "./ProfileToken").required(),
    textField("PresetTourToken", "./PresetTourToken").required(),
    {},
};
const OnvifField kTourOptionsIn[] = {
    textField("ProfileToken", "./ProfileToken").required(),
    textField("PresetTourToken", "./PresetTourToken"),
    {},
};
const OnvifField kOperateTourIn[] = {
    textField("ProfileToken", "./ProfileToken").required(),
    textField("TourToken", "./PresetTourToken").required(),
    textField("Operation", "./Operation").required(),
    {},
};

// ---- Modifying a tour ----------------------------------------------------------------------

struct CModifyTourMap : COnvifFieldMap {
    CModifyTourMap()
    {
        add("", "", {kProfileTokenIn});
        addRequest("Tour", "./PresetTour", {kTourHead});
        addRequest("Tour.Status.CurrentTourSpot", "./PresetTour/tt:Status/tt:CurrentTourSpot",
                   {kSpotPreset, kSpotHome, under("Speed", "Speed", {kPtzPanTilt, kPtzZoom}), kStayTime});
    }
};
// One spot, written at its position among the tour's spots (schema order of tt:PTZPresetTourSpot).
struct CTourSpotInMap : COnvifFieldMap {
    CTourSpotInMap()
    {
        addRequest("", "./PresetTour/tt:TourSpot[%d]",
                   {kSpotPreset, kSpotHome, under("Speed", "Speed", {kPtzPanTilt, kPtzZoom}), kStayTime});
    }
};

// The spots follow the tour's head; an empty entry takes no position (the message can only
// add the next spot after the last one written).
int writeTourSpots(CSOAPMessage& request, const Json::Value& modify)
{
    const Json::Value* spots = findKey(modify, "Tour.TourSpot");
    if (!spots || spots->isNull())
        return 0;
    if (!spots->isArray()) {
        ONVIF_LOG(LOG_ERROR, "[ERRLN] Tour.TourSpot is not an array\n");
        return -1;
    }
    int position = 0;
    for (const Json::Value& spot : *spots) {
        if (spot.isNull() || (spot.isObject() && spot.empty()))
            continue;
        if (!spot.isObject() || writeFields(request, fieldsOf<CTourSpotInMap>(), spot, "tptz", position) != 0)
            return -1;
        ++position;
    }
    return 0;
}

const OnvifOperation kRows[] = {
    row("SetPTZPreset", "SetPreset").within("SetPreset").in(kSetPresetIn).out(kPresetTokenOut),
    row("GotoPTZPreset", "GotoPreset").within("GotoPreset").in(fieldsOf<CGotoPresetMap>()),
    row("RemovePTZPreset", "RemovePreset").within("RemovePreset").in(kRemovePresetIn).failText("RemovePreset fail\n"),
    row("GetPTZPresets", "GetPresets").within("GetPresets").in(kProfileTokenRequired).out(fieldsOf<CPresetsMap>()),
    row("GetPresetTours").within("GetTours").in(kProfileTokenRequired).out(fieldsOf<CToursMap>()),
    row("GetPresetTour").within("GetPresetTour").in(kTourTokensRequired).out(fieldsOf<CTourMap>()),
    row("GetPresetTourOptions").within("GetTourOptions").in(kTourOptionsIn).out(fieldsOf<CTourOptionsMap>()),
    row("CreatePresetTour").within("CreateTour").in(kProfileTokenRequired).out(kTourTokenOut)
        .failText("CreatePTZPresetTour fail\n"),
    row("ModifyPresetTour").within("ModifyTour").in(fieldsOf<CModifyTourMap>()).writes(writeTourSpots),
    row("OperatePresetTour").within("OperateTour").in(kOperateTourIn),
    row("RemovePresetTour").within("RemoveTour").in(kTourTokensRequired),
};

} // namespace

const COnvifOperationTable& COnvifPTZPreset::operationTable()
{
    static const COnvifOperationTable table(kRows);
    return table;
}

} // namespace Onvif
} // namespace RPC
