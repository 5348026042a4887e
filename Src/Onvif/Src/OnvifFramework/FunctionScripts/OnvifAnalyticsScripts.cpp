// Composites of the analytics service: the modules of a channel's analytics configuration
// (cached, slot 9), and the cell motion rules in the host's motion-grid form.
//
// A host motion window {"Name", "Region", "Threshold", "Sensitive"} is one cell motion
// detector rule of the same name: its "Region" rows are the rule's "ActiveCells" on the
// grid of the configuration's cell motion engine ("Layout"), "Threshold" is the rule's
// "MinCount" (cells that must move), and "Sensitive" is the engine's "Sensitivity", which
// the device keeps once for every window. The rule's other items (alarm delays, ...) are
// the device's and are kept as they are on a change.
#include <cstdlib>
#include <string>

#include "OnvifFramework/FunctionScripts/OnvifFunctionScripts.h"
#include "OnvifFramework/FunctionScripts/OnvifMotionGrid.h"
#include "OnvifFramework/InfoCenter/OnvifInfoCenter.h"
#include "OnvifFramework/InfoCenter/OnvifInfoCenterFillers.h"
#include "OnvifFramework/InfoCenter/OnvifJsonAccess.h"
#include "OnvifFramework/Utility/OnvifLog.h"
#include "OnvifFramework/Utility/OnvifRecordKeys.h"

namespace RPC {
namespace Onvif {

namespace {

constexpr const char* kAddress = "Analytics";
constexpr const char* kService = "VideoAnalytics";
constexpr const char* kCellRuleType = "tt:CellMotionDetector";
// The grid devices ship with, used when a configuration's engine does not say its own.
constexpr int kDefaultColumns = 22;
constexpr int kDefaultRows = 18;

// What the motion composites need of a channel's analytics configuration.
struct CMotionContext {
    std::string token;
    int columns = kDefaultColumns;
    int rows = kDefaultRows;
    Json::Value engine;   // the cell motion engine module (null when the device has none)
    Json::Value rules;    // every rule of the configuration ("Rule" of GetRules)
};

std::string itemValue(const Json::Value& record, const char* name)
{
    const Json::Value& items = record["Parameters"]["SimpleItem"];
    for (Json::ArrayIndex j = 0; items.isArray() && j < items.size(); ++j)
        if (items[j].get("Name", "").asString() == name)
            return items[j].get("Value", "").asString();
    return std::string();
}

void setItemValue(Json::Value& record, const char* name, const std::string& value)
{
    Json::Value& items = record["Parameters"]["SimpleItem"];
    for (Json::ArrayIndex j = 0; items.isArray() && j < items.size(); ++j)
        if (items[j].get("Name", "").asString() == name) {
            items[j]["Value"] = value;
            return;
        }
    Json::Value item(Json::objectValue);
    item["Name"] = name;
    item["Value"] = value;
    items.append(item);
}

// The channel's analytics configuration token: from the request, else from the channel's
// main profile.
bool analyticsToken(const ServerInfo& info, const Json::Value& request, std::string& token)
{
    token = memberText(request, "ConfigurationToken");
    if (!token.empty())
        return true;
    Json::Value profile(Json::objectValue);
    profile["RemoteChannel"] = request.get("RemoteChannel", 0);
    profile["StreamType"] = 0;
    if (COnvifInfoCenter::instance()->getProfile(info, profile))
        token = memberText(profile, "VideoAnalyticsConfiguration", "token");
    if (token.empty()) {
        ONVIF_LOG(LOG_WARN, "getProfile for Analytics fail! The RPC may not support VideoAnalytics!\n");
        return false;
    }
    return true;
}

// A device may list analytics configurations in its profiles and still offer no analytics
// service to edit them with: say so plainly instead of failing deep in an exchange.
bool hasAnalyticsService(const ServerInfo& info)
{
    Json::Value address(Json::objectValue);
    address["ServiceAddrType"] = kAddress;
    if (COnvifInfoCenter::instance()->getDeviceCapsInfo(info, address, true))
        return true;
    ONVIF_LOG(LOG_WARN, "device<%s> offers no analytics service: motion rules cannot be read or written\n",
              info.address.c_str());
    return false;
}

bool loadMotionContext(const ServerInfo& info, const Json::Value& request, CMotionContext& ctx, bool withRules)
{
    if (!request.isObject() || !hasAnalyticsService(info) || !analyticsToken(info, request, ctx.token))
        return false;
    Json::Value modules(Json::objectValue);
    modules["ConfigurationToken"] = ctx.token;
    if (COnvifInfoCenter::instance()->getAnalyticsModules(info, modules, false)) {
        const Json::Value& list = modules["AnalyticsModule"];
        for (Json::ArrayIndex i = 0; list.isArray() && i < list.size(); ++i)
            if (list[i].get("Type", "").asString().find("CellMotionEngine") != std::string::npos)
                ctx.engine = list[i];
    }
    const Json::Value& engine = ctx.engine;   // read only: a missing member must stay missing
    const Json::Value& items = engine["Parameters"]["ElementItem"];
    for (Json::ArrayIndex j = 0; items.isArray() && j < items.size(); ++j) {
        const Json::Value& layout = items[j]["CellLayout"];
        if (layout.isObject() && layout.get("Columns", 0).asInt() > 0 && layout.get("Rows", 0).asInt() > 0) {
            ctx.columns = layout["Columns"].asInt();
            ctx.rows = layout["Rows"].asInt();
        }
    }
    if (ctx.columns > MotionGrid::kMaxColumns || ctx.rows > MotionGrid::kMaxRows) {
        ONVIF_LOG(LOG_WARN, "motion grid %dx%d is larger than the host grid\n", ctx.columns, ctx.rows);
        return false;
    }
    if (!withRules)
        return true;
    Json::Value get(Json::objectValue), got(Json::objectValue);
    get["ConfigurationToken"] = ctx.token;
    if (!commonOpList(info, get, got, kAddress, kService, "GetRules"))
        return false;
    ctx.rules = got.get("Rule", Json::Value(Json::arrayValue));
    return true;
}

const Json::Value* findRule(const CMotionContext& ctx, const std::string& name)
{
    for (Json::ArrayIndex i = 0; ctx.rules.isArray() && i < ctx.rules.size(); ++i)
        if (ctx.rules[i].get("Name", "").asString() == name)
            return &ctx.rules[i];
    return nullptr;
}

Json::Value windowOfRule(const Json::Value& rule, const CMotionContext& ctx, bool& watched)
{
    Json::Value window(Json::objectValue);
    window["Name"] = rule.get("Name", "");
    MotionGrid::CCells cells;
    if (!MotionGrid::decodeActiveCells(itemValue(rule, "ActiveCells"), ctx.columns, ctx.rows, cells)) {
        ONVIF_LOG(LOG_WARN, "rule %s: ActiveCells unreadable, read as no cell\n", window["Name"].asCString());
        cells = MotionGrid::cellsOfRegion(Json::Value(), 1, 1, ctx.columns, ctx.rows);
    }
    watched = watched || MotionGrid::anyWatched(cells);
    window["Region"] = MotionGrid::regionOfCells(cells);
    window["Threshold"] = std::atoi(itemValue(rule, "MinCount").c_str());
    window["Sensitive"] = std::atoi(itemValue(ctx.engine, "Sensitivity").c_str());
    return window;
}

// The rule of a host window: an existing rule keeps its other items; a new one gets the
// delays devices ship with.
Json::Value ruleOfWindow(const Json::Value& window, const Json::Value& motion, const CMotionContext& ctx,
                         const Json::Value* existing)
{
    Json::Value rule = existing ? *existing : Json::Value(Json::objectValue);
    rule["Name"] = window.get("Name", "");
    if (!existing) {
        rule["Type"] = kCellRuleType;
        setItemValue(rule, "AlarmOnDelay", "100");
        setItemValue(rule, "AlarmOffDelay", "1000");
    }
    setItemValue(rule, "MinCount", std::to_string(window.get("Threshold", 5).asInt()));
    MotionGrid::CCells cells = MotionGrid::cellsOfRegion(window["Region"], motion.get("Col", ctx.columns).asInt(),
                                                         motion.get("Row", ctx.rows).asInt(), ctx.columns, ctx.rows);
    if (!motion.get("Enable", true).asBool())
        cells.cells.assign(cells.cells.size(), 0);   // a disabled detection watches no cell
    setItemValue(rule, "ActiveCells", MotionGrid::encodeActiveCells(cells));
    return rule;
}

// Creates or modifies the windows of request "MotionDetect"."MotionDetectWindow" as rules.
bool writeMotionRules(const ServerInfo& info, Json::Value& request, Json::Value& result, const char* command)
{
    CMotionContext ctx;
    if (!loadMotionContext(info, request, ctx, std::string(command) == "ModifyRules"))
        return false;
    const Json::Value& motion = request["MotionDetect"];
    const Json::Value& windows = motion.isObject() ? motion["MotionDetectWindow"] : Json::Value::nullSingleton();
    if (!windows.isArray() || windows.empty()) {
        ONVIF_LOG(LOG_WARN, "%s: no MotionDetectWindow\n", command);
        return false;
    }
    Json::Value send(Json::objectValue);
    send["ConfigurationToken"] = ctx.token;
    for (const Json::Value& window : windows)
        send["Rule"].append(ruleOfWindow(window, motion, ctx, findRule(ctx, window.get("Name", "").asString())));
    return commonOpList(info, send, result, kAddress, kService, command);
}

} // namespace

bool getAnalyticsModules(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    std::string token;
    if (!request.isObject() || !analyticsToken(info, request, token))
        return false;
    request["ConfigurationToken"] = token;
    return InfoCenterFill::analyticsModules(info, request, result);
}

bool modifyAnalyticsModules(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    ONVIF_LOG(LOG_TRACE, "input:%s\n", request.toStyledString().c_str());
    const bool ok = commonOpList(info, request, result, kAddress, kService, "ModifyAnalyticsModules");
    // The cached modules are stale either way: a refused change may have been half made.
    COnvifInfoCenter::instance()->setCacheValid(info, INFO_SLOT_ANALYTICS_MODULES, 0);
    return ok;
}

bool getMotionDetectRules(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    CMotionContext ctx;
    if (!loadMotionContext(info, request, ctx, true))
        return false;
    const std::string type = textOr(request, "RuleType", "CellMotionDetector");
    Json::Value& motion = result["MotionDetect"];
    motion["Row"] = ctx.rows;
    motion["Col"] = ctx.columns;
    motion["DetectVersion"] = "V3.0";
    motion["MotionDetectWindow"] = Json::Value(Json::arrayValue);
    bool watched = false;
    for (const Json::Value& rule : ctx.rules) {
        if (rule.get("Type", "").asString().find(type) == std::string::npos)
            continue;
        motion["MotionDetectWindow"].append(windowOfRule(rule, ctx, watched));
        result["Rule"].append(rule);
    }
    motion["Enable"] = watched;
    result["ConfigurationToken"] = ctx.token;
    return true;
}

bool createMotionDetectRules(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    return writeMotionRules(info, request, result, "CreateRules");
}

bool modifyMotionDetectRules(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    return writeMotionRules(info, request, result, "ModifyRules");
}

bool deleteRules(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    std::string token;
    if (!request.isObject() || !analyticsToken(info, request, token))
        return false;
    request["ConfigurationToken"] = token;
    return commonOpList(info, request, result, kAddress, kService, "DeleteRules");
}

bool getMotionSensitive(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    CMotionContext ctx;
    if (!loadMotionContext(info, request, ctx, false) || ctx.engine.isNull())
        return false;
    result["Sensitive"] = std::atoi(itemValue(ctx.engine, "Sensitivity").c_str());
    return true;
}

bool setMotionSensitive(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    CMotionContext ctx;
    if (!loadMotionContext(info, request, ctx, false) || ctx.engine.isNull()) {
        ONVIF_LOG(LOG_WARN, "setMotionSensitive: no CellMotionEngine\n");
        return false;
    }
    const std::string wanted = std::to_string(request.get("Sensitive", 50).asInt());
    if (itemValue(ctx.engine, "Sensitivity") == wanted)
        return true;   // nothing to change: spare the device a write
    Json::Value module = ctx.engine;
    setItemValue(module, "Sensitivity", wanted);
    Json::Value modify(Json::objectValue);
    modify["ConfigurationToken"] = ctx.token;
    modify["AnalyticsModule"].append(module);
    return modifyAnalyticsModules(info, modify, result);
}

} // namespace Onvif
} // namespace RPC
