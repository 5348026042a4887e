// Tours by host number: the device's tours reconciled with the host's table, their points
// edited on the host side and sent back whole, started and stopped.
#include "Components/Ptz/OnvifPtz.h"
#include "Components/Ptz/OnvifPTZBase.h"

#include "OnvifFramework/FunctionScripts/OnvifFunctionScripts.h"
#include "OnvifFramework/FunctionScripts/OnvifPtzTables.h"
#include "OnvifFramework/InfoCenter/OnvifJsonAccess.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
namespace Onvif {

namespace {

Json::Value& points(Json::Value& tours, int tour)
{
    Json::Value& list = tours["Tour"][static_cast<Json::ArrayIndex>(tour - 1)]["Presets"];
    if (!list.isArray())
        list = Json::Value(Json::arrayValue);
    return list;
}

} // namespace

bool COnvifPtz::setTour(int tour, const char* name)
{
    ONVIF_LOG(LOG_WARN, "do not use this function\n");
    return storePtzNumber(*m_serverInfo, true, m_channel, tour, name);
}

bool COnvifPtz::getTours(Json::Value& tours)
{
    Json::Value profile;
    if (!profileForPtz(profile))
        return false;
    Json::Value request(Json::objectValue);
    request["GetTours"]["ProfileToken"] = memberText(profile, "token");
    Json::Value result(Json::objectValue);
    if (!ptzCall(request, result, "GetPresetTours"))
        return false;
    Json::Value table, presets;
    loadTable(profile, "Tour", table);
    loadTable(profile, "Preset", presets);
    tours = PtzTables::reconcileTours(table, presets, result.get("PresetTour", Json::Value(Json::arrayValue)),
                                      nodeLimit(profile, "TourMax"));
    if (getLogPrinterLevel() >= LOG_TRACE)
        ONVIF_LOG(LOG_TRACE, "tours:\n%s\n", table.toStyledString().c_str());
    return storeTable("Tour", table);
}

const Json::Value* COnvifPtz::tourSlot(int tour, Json::Value& profile, Json::Value& table)
{
    if (!profileForPtz(profile) || !loadTable(profile, "Tour", table))
        return nullptr;
    return PtzTables::requireSlot(table, "Tour", tour);
}

bool COnvifPtz::removeTour(int tour)
{
    Json::Value profile, table;
    const Json::Value* slot = tourSlot(tour, profile, table);
    if (!slot)
        return false;
    Json::Value request(Json::objectValue);
    request["RemoveTour"]["ProfileToken"] = memberText(profile, "token");
    request["RemoveTour"]["PresetTourToken"] = memberText(*slot, "Token");
    Json::Value result(Json::objectValue);
    if (!ptzCall(request, result, "RemovePresetTour"))
        return false;
    Json::Value freed(Json::objectValue);
    freed["Enable"] = false;
    table["Tour"][static_cast<Json::ArrayIndex>(tour - 1)] = freed;
    return storeTable("Tour", table);
}

bool COnvifPtz::operateTour(int tour, const char* operation)
{
    Json::Value profile, table;
    const Json::Value* slot = tourSlot(tour, profile, table);
    if (!slot)
        return false;
    ONVIF_LOG(LOG_TRACE, "operateTour, index:%d, operate:%s\n", tour, operation);
    Json::Value request(Json::objectValue);
    Json::Value& operate = request["OperateTour"];
    operate["ProfileToken"] = memberText(profile, "token");
    operate["TourToken"] = memberText(*slot, "Token");
    operate["Operation"] = operation;
    Json::Value result(Json::objectValue);
    return ptzCall(request, result, "OperatePresetTour");
}

bool COnvifPtz::startTour(int tour)
{
    return operateTour(tour, "Start");
}

bool COnvifPtz::stopTour(int tour)
{
    return operateTour(tour, "Stop");
}

bool COnvifPtz::sendTourPoints(const Json::Value& profile, Json::Value& tours, const Json::Value& presets, int tour)
{
    const Json::Value& slot = tours["Tour"][static_cast<Json::ArrayIndex>(tour - 1)];
    Json::Value request(Json::objectValue);
    Json::Value& modify = request["ModifyTour"];
    modify["ProfileToken"] = memberText(profile, "token");
    modify["Tour"]["Token"] = memberText(slot, "Token");
    Json::Value spots;
    Json::Value result(Json::objectValue);
    if (!PtzTables::tourSpots(slot, presets, spots)) {
        ONVIF_LOG(LOG_INFO, "modify tour failed\n");
        return false;
    }
    modify["Tour"]["TourSpot"] = spots;
    if (!ptzCall(request, result, "ModifyPresetTour")) {
        ONVIF_LOG(LOG_INFO, "modify tour failed\n");
        return false;
    }
    return storeTable("Tour", tours);
}

bool COnvifPtz::addTourPoint(int tour, int point, int preset, int staySeconds, int mark)
{
    ONVIF_LOG(LOG_TRACE, "addTourPoint, index:%d, point:%d, preset:%d\n", tour, point, preset);
    Json::Value profile, tours, presets;
    if (!profileForPtz(profile) || !loadTable(profile, "Tour", tours) || !loadTable(profile, "Preset", presets) ||
        !PtzTables::requireSlot(tours, "Tour", tour))
        return false;
    Json::Value& list = points(tours, tour);
    if (point < 0 || static_cast<Json::ArrayIndex>(point) > list.size()) {
        ONVIF_LOG(LOG_INFO, "point:%d error, current size:%d\n", point, static_cast<int>(list.size()));
        return false;
    }
    if (!PtzTables::requireSlot(presets, "Preset", preset, "preset "))
        return false;
    Json::Value added(Json::arrayValue);
    added.append(preset - 1);
    added.append(staySeconds);
    added.append(mark);
    Json::Value edited(Json::arrayValue);
    for (Json::ArrayIndex i = 0; i <= list.size(); ++i) {
        if (i == static_cast<Json::ArrayIndex>(point))
            edited.append(added);
        if (i < list.size())
            edited.append(list[i]);
    }
    list = edited;
    return sendTourPoints(profile, tours, presets, tour);
}

bool COnvifPtz::removeTourPoint(int tour, int point, int preset)
{
    ONVIF_LOG(LOG_TRACE, "removeTourPoint, index:%d, point:%d, preset:%d\n", tour, point, preset);
    Json::Value profile, tours, presets;
    if (!profileForPtz(profile) || !loadTable(profile, "Tour", tours) || !loadTable(profile, "Preset", presets) ||
        !PtzTables::requireSlot(tours, "Tour", tour))
        return false;
    Json::Value& list = points(tours, tour);
    if (point >= 0 && static_cast<Json::ArrayIndex>(point) >= list.size()) {
        ONVIF_LOG(LOG_INFO, "point:%d error, current size:%d\n", point, static_cast<int>(list.size()));
        return false;
    }
    if (point < 0 && !PtzTables::requireSlot(presets, "Preset", preset, "preset "))
        return false;
    Json::Value kept(Json::arrayValue);
    for (Json::ArrayIndex i = 0; i < list.size(); ++i) {
        const bool drop = point >= 0 ? i == static_cast<Json::ArrayIndex>(point)
                                     : list[i].isArray() && list[i][0].isIntegral() && list[i][0].asInt() == preset - 1;
        if (!drop)
            kept.append(list[i]);
    }
    list = kept;
    return sendTourPoints(profile, tours, presets, tour);
}

} // namespace Onvif
} // namespace RPC
