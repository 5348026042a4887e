#pragma once
// The host's preset and tour tables of one channel, and how they follow the device.
//
// A table is {"ProfileToken": text, "Preset": [...]} (or "Tour": [...]). Slot i holds host
// number i+1: {"Enable", "Index", "Token" (the device's token), "Name", ...}; a missing,
// null or disabled slot is free. Presets carry "Position" [pan, tilt, zoom]; tours carry
// "Presets", a list of points [preset slot (0-based), stay seconds, third value].
//
// A device item keeps its host number for as long as the device keeps its token; numbers
// of items the device dropped become free, and items the host has not seen yet take the
// free numbers in device order.
#include <json/json.h>

#include <string>

namespace RPC {
namespace Onvif {
namespace PtzTables {

// The value points read from a device tour carry in third place.
constexpr int kDeviceTourPointMark = 7;

bool slotEnabled(const Json::Value& slot);
// The slot of host number `number` in table[array]: null when out of the array's range.
const Json::Value* slotOf(const Json::Value& table, const char* array, int number);
// The enabled slot of host number `number`, or null after logging "<prefix>index:%d error"
// (out of range) or "<prefix>index:%d does not enabled".
const Json::Value* requireSlot(const Json::Value& table, const char* array, int number, const char* prefix = "");
// A free table of the profile.
Json::Value emptyTable(const std::string& profileToken, const char* array);

// Presets: table <- the device's "Preset" list (GetPTZPresets). The host list (enabled
// slots in order) comes back; presetMax bounds the numbers given to new presets.
Json::Value reconcilePresets(Json::Value& table, const Json::Value& devicePresets, unsigned presetMax);
// Tours: tourTable <- the device's "PresetTour" list; points refer to presetTable's slots.
Json::Value reconcileTours(Json::Value& tourTable, const Json::Value& presetTable, const Json::Value& deviceTours,
                           unsigned tourMax);

// The device's tour spots ("TourSpot" of ModifyPresetTour) for a tour slot's points.
// False when a point names a preset slot that is not enabled.
bool tourSpots(const Json::Value& tourSlot, const Json::Value& presetTable, Json::Value& spots);

} // namespace PtzTables
} // namespace Onvif
} // namespace RPC
