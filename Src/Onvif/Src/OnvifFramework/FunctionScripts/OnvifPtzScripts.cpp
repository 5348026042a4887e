// Composites of the PTZ service: the node with the host's preset and tour maxima (slot 17),
// and storing a preset or a tour under a host number (slots 18 and 19).
#include <cstdio>

#include "OnvifFramework/FunctionScripts/OnvifFunctionScripts.h"
#include "OnvifFramework/FunctionScripts/OnvifPtzTables.h"
#include "OnvifFramework/InfoCenter/OnvifInfoCenter.h"
#include "OnvifFramework/InfoCenter/OnvifJsonAccess.h"
#include "OnvifFramework/Utility/OnvifLog.h"
#include "OnvifFramework/Utility/OnvifRecordKeys.h"

namespace RPC {
namespace Onvif {

namespace {

const char kPtz[] = "PTZ";
const char kPtzService[] = "PtzControl";

unsigned nonNegative(const Json::Value* v)
{
    return v && v->isIntegral() && v->asInt64() > 0 ? v->asUInt() : 0u;
}

// What a preset or tour store needs first: the channel's main profile with its PTZ
// configuration, the node's limit for that kind of number, the number itself checked
// against it, and the channel's table of that kind as the centre holds it.
struct PtzStore {
    PtzStore(const char* a, const char* m, const char* l) : array(a), maxKey(m), limitText(l) {}

    const char* array;      // "Preset" or "Tour"
    const char* maxKey;     // "PresetMax" or "TourMax"
    const char* limitText;  // logged when the number is out of range
    std::string profileToken;
    int index = 0;
    Json::Value table;
};

int indexOf(const Json::Value& request)
{
    const Json::Value& index = request.get("Index", 0);
    return index.isIntegral() ? index.asInt() : 0;
}

// A table the centre holds is replaced as a whole, so a missing one starts empty.
void loadTable(const ServerInfo& info, const std::string& profileToken, const char* array, Json::Value& table)
{
    table = PtzTables::emptyTable(profileToken, array);
    COnvifInfoCenter* centre = COnvifInfoCenter::instance();
    const bool loaded = std::string(array) == "Tour" ? centre->loadTours(info, table, true)
                                                     : centre->loadPresets(info, table, true);
    if (!loaded || !table.isObject())
        table = PtzTables::emptyTable(profileToken, array);
    table["ProfileToken"] = profileToken;
}

bool prepareStore(const ServerInfo& info, const Json::Value& request, PtzStore& store)
{
    Json::Value profile(Json::objectValue);
    profile["RemoteChannel"] = request.get("RemoteChannel", 0);
    profile["StreamType"] = 0;
    COnvifInfoCenter* centre = COnvifInfoCenter::instance();
    if (!centre->getProfile(info, profile) || memberText(profile, "PTZConfiguration", "NodeToken").empty()) {
        ONVIF_LOG(LOG_WARN, "Profile PTZConfiguration missed\n");
        return false;
    }
    store.profileToken = memberText(profile, "token");
    Json::Value node(Json::objectValue);
    node["NodeToken"] = memberText(profile, "PTZConfiguration", "NodeToken");
    if (!centre->getPTZNode(info, node, true)) {
        ONVIF_LOG(LOG_INFO, "get node failed\n");
        return false;
    }
    const unsigned max = nonNegative(findKey(node, store.maxKey));
    store.index = indexOf(request);
    if (store.index < 1 || static_cast<unsigned>(store.index) > max) {
        ONVIF_LOG(LOG_INFO, store.limitText, store.index, static_cast<int>(max));
        return false;
    }
    loadTable(info, store.profileToken, store.array, store.table);
    return true;
}

Json::Value& tableSlot(Json::Value& table, const char* array, int number)
{
    Json::Value& slots = table[array];
    if (!slots.isArray())
        slots = Json::Value(Json::arrayValue);
    return slots[static_cast<Json::ArrayIndex>(number - 1)];
}

} // namespace

bool getNode(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    const std::string token = memberText(request, "NodeToken");
    if (!commonOpList(info, request, result, kPtz, kPtzService, "GetPTZNode")) {
        ONVIF_LOG(LOG_INFO, "get node failed\n");
        return false;
    }
    Json::Value node = result.get("PTZNode", Json::Value(Json::objectValue));
    node["NodeToken"] = token;
    node["PresetMax"] = nonNegative(findKey(node, "MaximumNumberOfPresets"));
    node["TourMax"] = nonNegative(findKey(node, "Extension.SupportedPresetTour.MaximumNumberOfPresetTours"));
    result = node;
    // The component reads the limits from either side; keep the same record on both.
    COnvifInfoCenter* centre = COnvifInfoCenter::instance();
    return centre->setPTZNode(info, node, true) && centre->setPTZNode(info, node, false);
}

bool setPreset(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    PtzStore store{"Preset", "PresetMax", "index:%d error, max preset:%d\n"};
    if (!prepareStore(info, request, store))
        return false;
    const int index = store.index;
    Json::Value& table = store.table;

    // A number already in use keeps its device preset: the device moves it here.
    const Json::Value* existing = PtzTables::slotOf(table, "Preset", index);
    Json::Value call(Json::objectValue);
    Json::Value& set = call["SetPreset"];
    set["ProfileToken"] = store.profileToken;
    set["PresetName"] = memberText(request, "Name");
    if (existing && PtzTables::slotEnabled(*existing))
        set["PresetToken"] = memberText(*existing, "Token");
    if (!commonOpList(info, call, result, kPtz, kPtzService, "SetPTZPreset"))
        return false;
    COnvifInfoCenter* centre = COnvifInfoCenter::instance();
    const std::string token = textOr(result, "PresetToken", memberText(set, "PresetToken").c_str());
    Json::Value& slot = tableSlot(table, "Preset", index);
    Json::Value position = slot.isObject() ? slot.get("Position", Json::Value(Json::arrayValue)) : Json::Value();
    slot = Json::Value(Json::objectValue);
    slot["Enable"] = true;
    slot["Index"] = index;
    slot["Token"] = token;
    slot["Name"] = memberText(request, "Name");
    slot["Position"] = position.isArray() ? position : Json::Value(Json::arrayValue);
    return centre->storePresets(info, table, true);
}

bool setTour(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    PtzStore store{"Tour", "TourMax", "index:%d error, max tour:%d\n"};
    COnvifInfoCenter* centre = COnvifInfoCenter::instance();
    if (!prepareStore(info, request, store))
        return false;
    const int index = store.index;
    Json::Value& tours = store.table;
    Json::Value presets;
    loadTable(info, store.profileToken, "Preset", presets);

    const Json::Value* existing = PtzTables::slotOf(tours, "Tour", index);
    Json::Value slot = existing && PtzTables::slotEnabled(*existing) ? *existing : Json::Value(Json::objectValue);
    if (!PtzTables::slotEnabled(slot)) {
        Json::Value create(Json::objectValue);
        create["CreateTour"]["ProfileToken"] = store.profileToken;
        if (!commonOpList(info, create, result, kPtz, kPtzService, "CreatePresetTour") ||
            textOr(result, "PresetTourToken", "").empty()) {
            ONVIF_LOG(LOG_INFO, "create preset tour:%d failed\n", index);
            return false;
        }
        slot["Enable"] = true;
        slot["Token"] = textOr(result, "PresetTourToken", "");
        slot["Presets"] = Json::Value(Json::arrayValue);
    }
    slot["Index"] = index;
    slot["Name"] = memberText(request, "Name");

    // The device learns the name (and keeps the tour's points): a new tour gets its name
    // here, since CreatePresetTour carries none.
    Json::Value modify(Json::objectValue);
    Json::Value& body = modify["ModifyTour"];
    body["ProfileToken"] = store.profileToken;
    body["Tour"]["Token"] = slot["Token"];
    body["Tour"]["Name"] = slot["Name"];
    Json::Value spots;
    const bool spotsKnown = PtzTables::tourSpots(slot, presets, spots);
    if (spotsKnown && !spots.empty())
        body["Tour"]["TourSpot"] = spots;
    Json::Value reply(Json::objectValue);
    if (!spotsKnown || !commonOpList(info, modify, reply, kPtz, kPtzService, "ModifyPresetTour")) {
        ONVIF_LOG(LOG_INFO, "modify preset tour:%d failed\n", index);
        if (existing && PtzTables::slotEnabled(*existing))
            return false;   // an existing tour that cannot be changed stays as it was
    }
    tableSlot(tours, "Tour", index) = slot;
    return centre->storeTours(info, tours, true);
}

} // namespace Onvif
} // namespace RPC
