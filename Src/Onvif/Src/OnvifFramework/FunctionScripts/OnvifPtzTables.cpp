#include "OnvifFramework/FunctionScripts/OnvifPtzTables.h"

#include <functional>

#include "OnvifFramework/InfoCenter/OnvifJsonAccess.h"
#include "OnvifFramework/Utility/OnvifLog.h"
#include "OnvifFramework/Utility/OnvifRecordKeys.h"
#include "OnvifFramework/Utility/OnvifUtilities.h"

namespace RPC {
namespace Onvif {
namespace PtzTables {

namespace {

// Seconds a tour stays at a spot ("PT1M5S" 65, "P1DT2H" 93600); -1 when unreadable. Devices
// count long stays in days, and a stay of nothing at all ("PT") is no stay time.
Json::Int64 stayTime(const std::string& text)
{
    return durationToSeconds(text.c_str(), DURATION_DAYS | DURATION_NEEDS_FIGURE);
}

double numberAt(const Json::Value& record, const char* key)
{
    const Json::Value* v = findKey(record, key);
    return v && v->isNumeric() ? v->asDouble() : 0.0;
}

using FillSlot = std::function<void(Json::Value& slot, const Json::Value& item)>;

// The two steps both tables share: refresh the slots whose token the device still has
// (dropping the others), then give the device's new items the free numbers in order.
Json::Value reconcile(Json::Value& table, const char* array, const Json::Value& deviceItems, const char* tokenKey,
                      unsigned max, const FillSlot& fill, const char* exceedText)
{
    if (!table.isObject())
        table = Json::Value(Json::objectValue);
    Json::Value& slots = table[array];
    if (!slots.isArray())
        slots = Json::Value(Json::arrayValue);
    Json::Value remaining(Json::arrayValue);
    if (deviceItems.isArray())
        for (const Json::Value& item : deviceItems)
            if (item.isObject() && !memberText(item, tokenKey).empty())
                remaining.append(item);

    for (Json::ArrayIndex i = 0; i < slots.size(); ++i) {
        Json::Value& slot = slots[i];
        if (!slotEnabled(slot))
            continue;
        Json::ArrayIndex found = remaining.size();
        for (Json::ArrayIndex k = 0; k < remaining.size() && found == remaining.size(); ++k)
            if (memberText(remaining[k], tokenKey) == memberText(slot, "Token"))
                found = k;
        if (found == remaining.size()) {
            slot["Enable"] = false;
            continue;
        }
        slot["Index"] = static_cast<int>(i) + 1;
        fill(slot, remaining[found]);
        Json::Value removed;
        remaining.removeIndex(found, &removed);
    }

    Json::ArrayIndex next = 0;
    for (const Json::Value& item : remaining) {
        while (next < max && next < slots.size() && slotEnabled(slots[next]))
            ++next;
        if (next >= max) {
            ONVIF_LOG(LOG_INFO, exceedText, max);
            break;
        }
        Json::Value slot(Json::objectValue);
        slot["Enable"] = true;
        slot["Index"] = static_cast<int>(next) + 1;
        slot["Token"] = memberText(item, tokenKey);
        fill(slot, item);
        slots[next] = slot;   // grows the array with null (free) slots when needed
        ++next;
    }

    Json::Value host(Json::arrayValue);
    for (const Json::Value& slot : slots)
        if (slotEnabled(slot))
            host.append(slot);
    return host;
}

} // namespace

bool slotEnabled(const Json::Value& slot)
{
    return slot.isObject() && slot.get("Enable", false).isBool() && slot.get("Enable", false).asBool();
}

const Json::Value* slotOf(const Json::Value& table, const char* array, int number)
{
    const Json::Value* slots = table.isObject() ? findKey(table, array) : nullptr;
    if (!slots || !slots->isArray() || number < 1 || static_cast<Json::ArrayIndex>(number) > slots->size())
        return nullptr;
    return &(*slots)[static_cast<Json::ArrayIndex>(number - 1)];
}

const Json::Value* requireSlot(const Json::Value& table, const char* array, int number, const char* prefix)
{
    const Json::Value* slot = slotOf(table, array, number);
    if (!slot) {
        ONVIF_LOG(LOG_INFO, "%sindex:%d error\n", prefix, number);
        return nullptr;
    }
    if (!slotEnabled(*slot)) {
        ONVIF_LOG(LOG_INFO, "%sindex:%d does not enabled\n", prefix, number);
        return nullptr;
    }
    return slot;
}

Json::Value emptyTable(const std::string& profileToken, const char* array)
{
    Json::Value table(Json::objectValue);
    table["ProfileToken"] = profileToken;
    table[array] = Json::Value(Json::arrayValue);
    return table;
}

Json::Value reconcilePresets(Json::Value& table, const Json::Value& devicePresets, unsigned presetMax)
{
    return reconcile(table, "Preset", devicePresets, "token", presetMax,
                     [](Json::Value& slot, const Json::Value& preset) {
                         slot["Name"] = memberText(preset, "Name");
                         Json::Value position(Json::arrayValue);
                         position.append(numberAt(preset, "Position.PanTilt.x"));
                         position.append(numberAt(preset, "Position.PanTilt.y"));
                         position.append(numberAt(preset, "Position.Zoom.x"));
                         slot["Position"] = position;
                     },
                     "exceed max presets:%u\n");
}

Json::Value reconcileTours(Json::Value& tourTable, const Json::Value& presetTable, const Json::Value& deviceTours,
                           unsigned tourMax)
{
    const Json::Value* presetSlots = presetTable.isObject() ? findKey(presetTable, "Preset") : nullptr;
    return reconcile(tourTable, "Tour", deviceTours, "Token", tourMax,
                     [presetSlots](Json::Value& slot, const Json::Value& tour) {
                         slot["Enable"] = true;
                         slot["Token"] = memberText(tour, "Token");
                         slot["Name"] = memberText(tour, "Name");
                         Json::Value points(Json::arrayValue);
                         const Json::Value* spots = findKey(tour, "TourSpot");
                         for (Json::ArrayIndex k = 0; spots && spots->isArray() && k < spots->size(); ++k) {
                             const Json::Value& spot = (*spots)[k];
                             const std::string token = textOr(spot, "PresetDetail.PresetToken", "");
                             for (Json::ArrayIndex p = 0; presetSlots && presetSlots->isArray() &&
                                                          p < presetSlots->size() && !token.empty();
                                  ++p) {
                                 const Json::Value& preset = (*presetSlots)[p];
                                 if (!slotEnabled(preset) || memberText(preset, "Token") != token)
                                     continue;
                                 Json::Value point(Json::arrayValue);
                                 point.append(static_cast<int>(p));
                                 point.append(stayTime(textOr(spot, "StayTime", "")));
                                 point.append(kDeviceTourPointMark);
                                 points.append(point);
                                 break;
                             }
                         }
                         slot["Presets"] = points;
                     },
                     "exceed max tours:%u\n");
}

bool tourSpots(const Json::Value& tourSlot, const Json::Value& presetTable, Json::Value& spots)
{
    spots = Json::Value(Json::arrayValue);
    const Json::Value& points = tourSlot.get("Presets", Json::Value(Json::arrayValue));
    for (const Json::Value& point : points) {
        if (!point.isArray() || point.size() < 2 || !point[0].isIntegral()) {
            ONVIF_ERRLN();
            return false;
        }
        const Json::Value* preset = slotOf(presetTable, "Preset", point[0].asInt() + 1);
        if (!preset || !slotEnabled(*preset)) {
            ONVIF_LOG(LOG_INFO, "preset index:%d does not enabled\n", point[0].asInt() + 1);
            return false;
        }
        Json::Value spot(Json::objectValue);
        spot["PresetDetail"]["PresetToken"] = memberText(*preset, "Token");
        const unsigned stay = point[1].isNumeric() && point[1].asDouble() > 0 ? point[1].asUInt() : 0;
        spot["StayTime"] = "PT" + std::to_string(stay) + "S";
        spots.append(spot);
    }
    return true;
}

} // namespace PtzTables
} // namespace Onvif
} // namespace RPC
