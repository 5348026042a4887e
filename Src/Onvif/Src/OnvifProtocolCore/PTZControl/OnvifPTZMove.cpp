// Moving a dome: continuous, absolute and relative moves, stop, status, home position and
// auxiliary switches. Every move names its profile; the parameters of most sit inside a
// request member named after the operation ("ContinuousMove": {...}).
#include <cctype>
#include <initializer_list>
#include <string>

#include "OnvifFramework/Utility/OnvifCommonFields.h"
#include "OnvifFramework/Utility/OnvifFieldMap.h"
#include "OnvifFramework/Utility/OnvifRecordKeys.h"
#include "OnvifProtocolCore/PTZControl/OnvifPTZControl.h"
#include "OnvifProtocolCore/PTZControl/OnvifPtzRows.h"

namespace RPC {
namespace Onvif {

namespace {

using namespace CommonFields;
using namespace PtzRows;

// ---- Continuous move -------------------------------------------------------------------

const OnvifField kVelocityPanTiltIn[] = {
    realField("Velocity.PanTilt.x", "./Velocity/tt:PanTilt/@x"),
    realField("Velocity.PanTilt.y", "./Velocity/tt:PanTilt/@y"),
    textField("Velocity.PanTilt.space", "./Velocity/tt:PanTilt/@space"),
    {},
};
const OnvifField kVelocityZoomIn[] = {
    realField("Velocity.Zoom.x", "./Velocity/tt:Zoom/@x"),
    textField("Velocity.Zoom.space", "./Velocity/tt:Zoom/@space"),
    {},
};

double numberAt(const Json::Value& record, const char* key)
{
    const Json::Value* v = findKey(record, key);
    return v && v->isConvertibleTo(Json::realValue) ? v->asDouble() : 0.0;
}

// A zoom speed of 0 sends pan/tilt alone. A zoom move goes first and takes pan/tilt with it
// only when that moves too, so a zoom-only move carries no PanTilt element (a device would
// read PanTilt 0,0 as "stop panning", which a joystick's zoom key must not do).
// The time-out is the caller's duration text ("PT%dS"); a negative number means the
// device's default and is left out.
int continuousVelocity(CSOAPMessage& request, const Json::Value& move)
{
    const bool panTiltMoves =
        numberAt(move, "Velocity.PanTilt.x") != 0.0 || numberAt(move, "Velocity.PanTilt.y") != 0.0;
    if (numberAt(move, "Velocity.Zoom.x") == 0.0) {
        if (writeFields(request, kVelocityPanTiltIn, move, "tptz") != 0)
            return -1;
    } else if (writeFields(request, kVelocityZoomIn, move, "tptz") != 0 ||
               (panTiltMoves && writeFields(request, kVelocityPanTiltIn, move, "tptz") != 0)) {
        return -1;
    }
    const Json::Value* timeout = findKey(move, "Timeout");
    if (!timeout || timeout->isNull() || (timeout->isNumeric() && timeout->asDouble() < 0))
        return 0;
    if (!timeout->isConvertibleTo(Json::stringValue) || timeout->asString().empty())
        return 0;
    return request.set("./tptz:Timeout", timeout->asString().c_str(), true);
}

// ---- Moves with a position, translation or speed ------------------------------------------

// ProfileToken, then each named vector (PanTilt and Zoom) under its element.
void addVectors(COnvifFieldMap& map, std::initializer_list<const char*> vectors)
{
    map.add("", "", {kProfileTokenIn});
    for (const char* vector : vectors)
        map.addRequest(vector, std::string("./") + vector, {kPtzPanTilt, kPtzZoom});
}
struct CAbsoluteMoveMap : COnvifFieldMap {
    CAbsoluteMoveMap() { addVectors(*this, {"Position", "Speed"}); }
};
struct CRelativeMoveMap : COnvifFieldMap {
    CRelativeMoveMap() { addVectors(*this, {"Translation", "Speed"}); }
};
struct CHomeMap : COnvifFieldMap {
    CHomeMap() { addVectors(*this, {"Speed"}); }
};

// The screen-point move: no zoom space and no speed spaces, which some domes refuse in
// the field-of-view translation.
const OnvifField kRelative3DIn[] = {
    textField("ProfileToken", "./ProfileToken"),
    realField("Translation.PanTilt.x", "./Translation/tt:PanTilt/@x"),
    realField("Translation.PanTilt.y", "./Translation/tt:PanTilt/@y"),
    textField("Translation.PanTilt.space", "./Translation/tt:PanTilt/@space"),
    realField("Translation.Zoom.x", "./Translation/tt:Zoom/@x"),
    realField("Speed.PanTilt.x", "./Speed/tt:PanTilt/@x"),
    realField("Speed.PanTilt.y", "./Speed/tt:PanTilt/@y"),
    realField("Speed.Zoom.x", "./Speed/tt:Zoom/@x"),
    {},
};

const OnvifField kStopIn[] = {
    textField("ProfileToken", "./ProfileToken"),
    boolField("PanTilt", "./PanTilt"),
    boolField("Zoom", "./Zoom"),
    {},
};

// ---- Status ------------------------------------------------------------------------------

const OnvifField kStatusRest[] = {
    textField("MoveStatus.PanTilt", "MoveStatus/PanTilt"),
    textField("MoveStatus.Zoom", "MoveStatus/Zoom"),
    textField("Error", "Error"),
    textField("UtcTime", "UtcTime"),
    {},
};
struct CStatusMap : COnvifFieldMap {
    CStatusMap()
    {
        add("PTZStatus.Position", "./PTZStatus/Position", {kPtzPanTilt, kPtzZoom});
        add("PTZStatus", "./PTZStatus", {kStatusRest});
    }
};

// Devices write IDLE and MOVING (the schema's values); callers compare with "Idle" and
// "Moving" whatever the device's letter case.
void capitalised(Json::Value* text)
{
    if (!text || !text->isString() || text->asString().empty())
        return;
    std::string s = text->asString();
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    s[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(s[0])));
    *text = s;
}

int normaliseMoveStatus(CSOAPMessage&, const Json::Value&, Json::Value& rsp)
{
    capitalised(findKey(rsp, "PTZStatus.MoveStatus.PanTilt"));
    capitalised(findKey(rsp, "PTZStatus.MoveStatus.Zoom"));
    return 0;
}

// ---- Auxiliary switches --------------------------------------------------------------------

const OnvifField kAuxiliaryIn[] = {
    textField("ProfileToken", "./ProfileToken").required(),
    textField("AuxiliaryData", "./AuxiliaryData").required(),
    {},
};
const OnvifField kAuxiliaryOut[] = {textField("AuxiliaryResponse", "./AuxiliaryResponse"), {}};

const OnvifOperation kRows[] = {
    row("ContinuousMove").within("ContinuousMove").in(kProfileTokenIn).writes(continuousVelocity),
    row("PTZStop", "Stop").within("Stop").in(kStopIn),
    row("AbsoluteMove").within("AbsoluteMove").in(fieldsOf<CAbsoluteMoveMap>())
        .failText("AbsoluteMove fail\n"),
    row("RelativeMove").within("RelativeMove").in(fieldsOf<CRelativeMoveMap>()),
    row("Relative3D", "RelativeMove").within("RelativeMove").in(kRelative3DIn).failText("RelativeMove fail\n"),
    row("GotoHomePosition").in(fieldsOf<CHomeMap>()),
    row("SetHomePosition").in(kProfileTokenRequired),
    row("GetPTZStatus", "GetStatus").within("GetStatus").in(kProfileTokenRequired).out(fieldsOf<CStatusMap>())
        .reads(normaliseMoveStatus),
    row("SendAuxiliaryCommand").in(kAuxiliaryIn).out(kAuxiliaryOut),
};

} // namespace

const COnvifOperationTable& COnvifPTZMove::operationTable()
{
    static const COnvifOperationTable table(kRows);
    return table;
}

} // namespace Onvif
} // namespace RPC
