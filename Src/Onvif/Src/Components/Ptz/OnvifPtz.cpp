#include "Components/Ptz/OnvifPtz.h"

#include <charconv>
#include <cstdio>
#include <cstring>

#include "Components/Ptz/OnvifPTZBase.h"
#include "Components/Ptz/OnvifPtzCoordinates.h"
#include "Infra/LastError.h"
#include "OnvifFramework/FunctionScripts/OnvifFunctionScripts.h"
#include "OnvifFramework/FunctionScripts/OnvifPtzTables.h"
#include "OnvifFramework/InfoCenter/OnvifInfoCenter.h"
#include "OnvifFramework/InfoCenter/OnvifJsonAccess.h"
#include "OnvifFramework/Utility/OnvifBaseDef.h"
#include "OnvifFramework/Utility/OnvifLog.h"
#include "OnvifFramework/Utility/OnvifRecordKeys.h"

namespace RPC {
namespace Onvif {

namespace {

const char kFovSpace[] = "http://www.onvif.org/ver10/tptz/PanTiltSpaces/TranslationSpaceFov";

COnvifInfoCenter& centre()
{
    return *COnvifInfoCenter::instance();
}

// The host's coordinates are floats: 0.2f widened to double is 0.20000000298..., which a
// dome whose tilt ends at 0.2 refuses as outside its limits. Send the float's own shortest
// spelling instead, so a value at a limit stays at it.
double atHostPrecision(double value)
{
    char text[32];
    const auto written = std::to_chars(text, text + sizeof text, static_cast<float>(value));
    double rounded = value;
    std::from_chars(text, written.ptr, rounded);
    return rounded;
}

void setVector(Json::Value& vector, double x, double y, double zoom)
{
    vector["PanTilt"]["x"] = atHostPrecision(x);
    vector["PanTilt"]["y"] = atHostPrecision(y);
    vector["Zoom"]["x"] = atHostPrecision(zoom);
}

double numberAt(const Json::Value& record, const char* key)
{
    const Json::Value* v = findKey(record, key);
    return v && v->isNumeric() ? v->asDouble() : 0.0;
}

// What the host's switch names send: the ONVIF auxiliary texts, and "ScanOn"/"ScanOff",
// which wiper-only domes of older firmware take for their rain brush.
struct AuxRow {
    const char* function;
    const char* on;
    const char* off;
};
const AuxRow kAuxTable[] = {
    {"RainBrush", "ScanOn", "ScanOff"},     {"1", "ScanOn", "ScanOff"},
    {"Wiper", "tt:Wiper|On", "tt:Wiper|Off"}, {"IRLamp", "tt:IRLamp|On", "tt:IRLamp|Off"},
    {"Iris", "tt:Iris|Open", "tt:Iris|Close"},
};

} // namespace

COnvifPtz::COnvifPtz(std::shared_ptr<const Zentar::Component::ServerInfo> serverInfo, int channel)
    : m_serverInfo(std::move(serverInfo)), m_channel(channel)
{
    ONVIF_LOG(LOG_INFO, "COnvifPtz[%p] construct, RemoteChn[%d]\n", static_cast<void*>(this), m_channel);
}

COnvifPtz::~COnvifPtz()
{
    ONVIF_LOG(LOG_INFO, "COnvifPtz[%p] distruct, RemoteChn[%d]\n", static_cast<void*>(this), m_channel);
}

// ---- Common steps -----------------------------------------------------------------------------

bool COnvifPtz::profileForPtz(Json::Value& profile)
{
    profile = Json::Value(Json::objectValue);
    profile["RemoteChannel"] = m_channel;
    profile["StreamType"] = 0;
    if (!centre().getProfile(*m_serverInfo, profile)) {
        ONVIF_LOG(LOG_ERROR, "COnvifPtz[%p] getProfileTokenForPTZ failed! RemoteChn[%d]\n", static_cast<void*>(this),
                  m_channel);
        return false;
    }
    if (!profile.isObject() || !profile.isMember("PTZConfiguration")) {
        ONVIF_LOG(LOG_ERROR, "COnvifPtz[%p] getProfileTokenForPTZ failed! RemoteChn[%d] profile:%s\n",
                  static_cast<void*>(this), m_channel, profile.toStyledString().c_str());
        // The channel has no dome: for the host that is a function this device does not offer.
        Zentar::Infra::setLastError(ONVIF_ERR_NOT_SUPPORTED);
        return false;
    }
    return true;
}

bool COnvifPtz::ptzCall(Json::Value& request, Json::Value& result, const char* command)
{
    return commonOpList(*m_serverInfo, request, result, "PTZ", "PtzControl", command);
}

bool COnvifPtz::imagingCall(Json::Value& request, Json::Value& result, const char* command)
{
    return commonOpList(*m_serverInfo, request, result, "Imaging", "ImagingCfg", command);
}

unsigned COnvifPtz::nodeLimit(const Json::Value& profile, const char* key)
{
    Json::Value node(Json::objectValue);
    node["NodeToken"] = memberText(profile, "PTZConfiguration", "NodeToken");
    if (!centre().getPTZNode(*m_serverInfo, node, true))
        return 0;
    const Json::Value& v = node.get(key, 0);
    return v.isIntegral() && v.asInt64() > 0 ? v.asUInt() : 0u;
}

bool COnvifPtz::loadTable(const Json::Value& profile, const char* array, Json::Value& table)
{
    table = PtzTables::emptyTable(memberText(profile, "token"), array);
    const bool loaded = std::strcmp(array, "Tour") == 0 ? centre().loadTours(*m_serverInfo, table, true)
                                                        : centre().loadPresets(*m_serverInfo, table, true);
    if (!loaded || !table.isObject())
        table = PtzTables::emptyTable(memberText(profile, "token"), array);
    table["ProfileToken"] = memberText(profile, "token");
    return true;
}

bool COnvifPtz::storeTable(const char* array, const Json::Value& table)
{
    return std::strcmp(array, "Tour") == 0 ? centre().storeTours(*m_serverInfo, table, true)
                                           : centre().storePresets(*m_serverInfo, table, true);
}

// ---- Capabilities, moves, status ----------------------------------------------------------

bool COnvifPtz::getCurrentProtocolCaps(Json::Value& caps)
{
    Json::Value profile(Json::objectValue);
    profile["RemoteChannel"] = m_channel;
    profile["StreamType"] = 0;
    if (!centre().getProfile(*m_serverInfo, profile)) {
        ONVIF_LOG(LOG_WARN, "get Profiles fail!\n");
        return false;
    }
    const std::string node = memberText(profile, "PTZConfiguration", "NodeToken");
    if (node.empty()) {
        ONVIF_LOG(LOG_WARN, "PTZConfiguration NodeToken does not exist\n");
        Zentar::Infra::setLastError(ONVIF_ERR_NOT_SUPPORTED);
        return false;
    }
    caps = Json::Value(Json::objectValue);
    caps["NodeToken"] = node;
    if (!centre().getPTZNode(*m_serverInfo, caps, true)) {
        ONVIF_LOG(LOG_WARN, "get node failed\n");
        return false;
    }
    if (getLogPrinterLevel() >= LOG_DEBUG)
        ONVIF_LOG(LOG_DEBUG, "caps:%s\n", caps.toStyledString().c_str());
    return true;
}

bool COnvifPtz::absoluteMove(const float position[3], const float* speed)
{
    Json::Value profile;
    if (!position || !profileForPtz(profile))
        return false;
    const PtzCoordinates::Position p = PtzCoordinates::hostToOnvif(position[0], position[1], position[2]);
    ONVIF_LOG(LOG_TRACE, "pos:%f/%f/%f\n", p.pan, p.tilt, p.zoom);
    Json::Value request(Json::objectValue);
    Json::Value& move = request["AbsoluteMove"];
    move["ProfileToken"] = memberText(profile, "token");
    setVector(move["Position"], p.pan, p.tilt, p.zoom);
    if (speed)
        setVector(move["Speed"], speed[0], speed[1], speed[2]);
    Json::Value result(Json::objectValue);
    if (!ptzCall(request, result, "AbsoluteMove"))
        return false;
    m_lastMotion = MOTION_PTZ;
    return true;
}

bool COnvifPtz::moveAbsolutely(const float position[3], const float speed[3])
{
    return absoluteMove(position, speed);
}

bool COnvifPtz::moveAbsolutely(const float position[3])
{
    return absoluteMove(position, nullptr);
}

bool COnvifPtz::moveDirectly(const float point[3])
{
    Json::Value profile;
    if (!point || !profileForPtz(profile))
        return false;
    double x = 0, y = 0;
    PtzCoordinates::screenToFov(point[0], point[1], x, y);
    ONVIF_LOG(LOG_TRACE, "screen:%f/%f/%f, remote IP:%s\n", point[0], point[1], point[2],
              m_serverInfo->address.c_str());
    ONVIF_LOG(LOG_TRACE, "onvif:%f/%f/%f\n", x, y, static_cast<double>(point[2]));
    Json::Value request(Json::objectValue);
    Json::Value& move = request["RelativeMove"];
    move["ProfileToken"] = memberText(profile, "token");
    setVector(move["Translation"], x, y, point[2]);
    move["Translation"]["PanTilt"]["space"] = kFovSpace;
    setVector(move["Speed"], 1.0, 1.0, 1.0);
    Json::Value result(Json::objectValue);
    if (!ptzCall(request, result, "Relative3D"))
        return false;
    m_lastMotion = MOTION_PTZ;
    return true;
}

bool COnvifPtz::moveContinuously(const float speed[3], int timeoutSeconds)
{
    Json::Value profile;
    if (!speed || !profileForPtz(profile))
        return false;
    Json::Value request(Json::objectValue);
    Json::Value& move = request["ContinuousMove"];
    move["ProfileToken"] = memberText(profile, "token");
    setVector(move["Velocity"], speed[0], speed[1], speed[2]);
    if (timeoutSeconds > 0) {
        char timeout[31];
        std::snprintf(timeout, sizeof timeout, "PT%dS", timeoutSeconds);
        move["Timeout"] = timeout;
    }
    Json::Value result(Json::objectValue);
    if (!ptzCall(request, result, "ContinuousMove"))
        return false;
    m_lastMotion = MOTION_PTZ;
    return true;
}

bool COnvifPtz::stopMove()
{
    const int kind = m_lastMotion.load();
    if (kind != MOTION_PTZ && kind != MOTION_FOCUS)
        return true;   // nothing moves by itself after an iris change
    Json::Value profile;
    if (!profileForPtz(profile))
        return false;
    Json::Value request(Json::objectValue);
    Json::Value result(Json::objectValue);
    if (kind == MOTION_FOCUS) {
        request["VideoSourceToken"] = memberText(profile, "VideoSourceConfiguration", "SourceToken");
        return imagingCall(request, result, "Stop");
    }
    Json::Value& stop = request["Stop"];
    stop["ProfileToken"] = memberText(profile, "token");
    stop["PanTilt"] = true;
    stop["Zoom"] = true;
    return ptzCall(request, result, "PTZStop");
}

bool COnvifPtz::getStatus(Json::Value& status)
{
    Json::Value profile;
    if (!profileForPtz(profile))
        return false;
    Json::Value request(Json::objectValue);
    request["GetStatus"]["ProfileToken"] = memberText(profile, "token");
    Json::Value result(Json::objectValue);
    if (!ptzCall(request, result, "GetPTZStatus"))
        return false;
    const Json::Value& s = result.get("PTZStatus", Json::Value(Json::objectValue));
    const PtzCoordinates::Position p = PtzCoordinates::hostToOnvif(
        numberAt(s, "Position.PanTilt.x"), numberAt(s, "Position.PanTilt.y"), numberAt(s, "Position.Zoom.x"));
    status = Json::Value(Json::objectValue);
    Json::Value& position = status["Postion"];   // the host's own spelling
    position.append(p.pan);
    position.append(p.tilt);
    position.append(p.zoom);
    status["PanTiltStatus"] = textOr(s, "MoveStatus.PanTilt", "");
    status["ZoomStatus"] = textOr(s, "MoveStatus.Zoom", "");
    const bool moving = status["PanTiltStatus"].asString() == "Moving" || status["ZoomStatus"].asString() == "Moving";
    status["MoveStatus"] = moving ? "Moving" : "Idle";
    long long utc = 0;
    if (!PtzCoordinates::utcSeconds(textOr(s, "UtcTime", ""), utc)) {
        ONVIF_LOG(LOG_WARN, "Failed to convert utc to seconds!\n");
        return false;
    }
    status["UTC"] = static_cast<Json::Int64>(utc);
    return true;
}

// ---- Presets ---------------------------------------------------------------------------------

bool COnvifPtz::setPreset(int preset, const char* name)
{
    ONVIF_LOG(LOG_WARN, "do not use this function\n");
    return storePtzNumber(*m_serverInfo, false, m_channel, preset, name);
}

bool COnvifPtz::getPresets(Json::Value& presets)
{
    Json::Value profile;
    if (!profileForPtz(profile))
        return false;
    Json::Value request(Json::objectValue);
    request["GetPresets"]["ProfileToken"] = memberText(profile, "token");
    Json::Value result(Json::objectValue);
    if (!ptzCall(request, result, "GetPTZPresets"))
        return false;
    Json::Value table;
    loadTable(profile, "Preset", table);
    presets = PtzTables::reconcilePresets(table, result.get("Preset", Json::Value(Json::arrayValue)),
                                          nodeLimit(profile, "PresetMax"));
    if (getLogPrinterLevel() >= LOG_TRACE)
        ONVIF_LOG(LOG_TRACE, "presets:\n%s\n", table.toStyledString().c_str());
    return storeTable("Preset", table);
}

// A host number names a preset when it lies within the table and its slot is enabled.
bool COnvifPtz::gotoPresetWith(int preset, const float* speed)
{
    ONVIF_LOG(LOG_TRACE, "gotoPreset, preset: %d\n", preset);
    Json::Value profile;
    if (!profileForPtz(profile))
        return false;
    Json::Value table;
    loadTable(profile, "Preset", table);
    if (!speed && getLogPrinterLevel() >= LOG_TRACE)
        ONVIF_LOG(LOG_TRACE, "getPTZPresets:\n%s\n", table.toStyledString().c_str());
    const Json::Value* slot = PtzTables::requireSlot(table, "Preset", preset);
    if (!slot)
        return false;
    Json::Value request(Json::objectValue);
    Json::Value& go = request["GotoPreset"];
    go["ProfileToken"] = memberText(profile, "token");
    go["PresetToken"] = memberText(*slot, "Token");
    if (speed)
        setVector(go["Speed"], speed[0], speed[1], speed[2]);
    Json::Value result(Json::objectValue);
    return ptzCall(request, result, "GotoPTZPreset");
}

bool COnvifPtz::gotoPreset(int preset, const float speed[3])
{
    return gotoPresetWith(preset, speed);
}

bool COnvifPtz::gotoPreset(int preset)
{
    return gotoPresetWith(preset, nullptr);
}

bool COnvifPtz::removePreset(int preset)
{
    ONVIF_LOG(LOG_TRACE, "removePreset, preset:%d\n", preset);
    Json::Value profile;
    if (!profileForPtz(profile))
        return false;
    Json::Value table;
    loadTable(profile, "Preset", table);
    const Json::Value* slot = PtzTables::requireSlot(table, "Preset", preset);
    if (!slot)
        return false;
    Json::Value request(Json::objectValue);
    request["RemovePreset"]["ProfileToken"] = memberText(profile, "token");
    request["RemovePreset"]["PresetToken"] = memberText(*slot, "Token");
    Json::Value result(Json::objectValue);
    if (!ptzCall(request, result, "RemovePTZPreset"))
        return false;
    table["Preset"][static_cast<Json::ArrayIndex>(preset - 1)]["Enable"] = false;
    return storeTable("Preset", table);
}

// ---- Auxiliary switches ------------------------------------------------------------------------

bool COnvifPtz::auxControl(const char* function, bool on)
{
    const char* address = m_serverInfo->address.c_str();
    const int port = static_cast<int>(m_serverInfo->port);
    if (!function) {
        ONVIF_LOG(LOG_WARN, "auxControl: Function is NULL, remote IP[%s:%d]\n", address, port);
        return false;
    }
    ONVIF_LOG(LOG_TRACE, "auxControl:remote IP[%s:%d]\n", address, port);
    const AuxRow* row = nullptr;
    for (const AuxRow& r : kAuxTable)
        row = !row && std::strcmp(r.function, function) == 0 ? &r : row;
    if (!row) {
        ONVIF_LOG(LOG_WARN, "auxControl: Sorry,[%s] currently not surpport, remote IP[%s:%d]\n", function, address,
                  port);
        return false;
    }
    Json::Value profile;
    if (!profileForPtz(profile))
        return false;
    Json::Value request(Json::objectValue);
    request["ProfileToken"] = memberText(profile, "token");
    request["AuxiliaryData"] = on ? row->on : row->off;
    Json::Value result(Json::objectValue);
    if (!ptzCall(request, result, "SendAuxiliaryCommand")) {
        ONVIF_LOG(LOG_WARN, "auxControl: send auxiliary command failed!! remote IP[%s:%d]\n", address, port);
        return false;
    }
    ONVIF_LOG(LOG_TRACE, "auxControl: leave auxControl\n");
    return true;
}

} // namespace Onvif
} // namespace RPC
