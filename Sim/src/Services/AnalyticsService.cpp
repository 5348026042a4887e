// The analytics service: the modules and rules of each video analytics configuration, held
// in state (Analytics/AnalyticsModel.h). Rules of the two supported types can be created,
// changed and deleted; modules are the firmware's own, so only their parameters change and
// the grid layout stays as the device was built.
#include "Analytics/AnalyticsModel.h"
#include "Common/Crypto.h"
#include "Media/MediaModel.h"
#include "Services/MediaOps.h"
#include "Services/ServiceHandler.h"

#include <cstdlib>

namespace OnvifSim {
namespace {

constexpr int kMaxRules = 8;
const char* const kRuleTypes[] = {"CellMotionDetector", "TamperDetector"};

Json::Value& RequireAnalytics(CCallContext& ctx)
{
    const std::string token = RequiredText(ctx.input(), "ConfigurationToken");
    CMediaState media(ctx);
    const Json::Value* config = media.findConfig(EConfigKind::Analytics, token);
    if (!config)
        throw CSoapFault::Sender({"InvalidArgVal", "NoConfig"}, "no analytics configuration \"" + token + "\"");
    return AnalyticsOf(ctx.state(), *config);
}

Json::Value* FindRecord(Json::Value& list, const std::string& name)
{
    for (Json::Value& record : list)
        if (record["name"].asString() == name)
            return &record;
    return nullptr;
}

std::string LocalType(const std::string& qname)
{
    const size_t colon = qname.find(':');
    return colon == std::string::npos ? qname : qname.substr(colon + 1);
}

const Json::Value* FindItem(const Json::Value& record, const char* name)
{
    for (const Json::Value& item : record["items"])
        if (item["name"].asString() == name)
            return &item["value"];
    return nullptr;
}

int IntItem(const Json::Value& record, const char* name, int lo, int hi)
{
    const Json::Value* value = FindItem(record, name);
    if (!value)
        return lo;
    char* end = nullptr;
    const std::string text = value->asString();
    const long n = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end || n < lo || n > hi)
        throw CSoapFault::Sender({"InvalidArgVal", "ConfigModify"},
                                 record["name"].asString() + ": " + name + " \"" + text + "\" is not in " +
                                     std::to_string(lo) + ".." + std::to_string(hi));
    return static_cast<int>(n);
}

// A rule of the request, read and checked against the configuration's grid.
Json::Value ReadRule(pugi::xml_node in, const Json::Value& analytics)
{
    Json::Value rule;
    rule["name"] = Trimmed(in.attribute("Name").value());
    rule["type"] = LocalType(Trimmed(in.attribute("Type").value()));
    if (rule["name"].asString().empty())
        throw CSoapFault::Sender({"InvalidArgVal", "InvalidRule"}, "a rule needs a Name");
    bool known = false;
    for (const char* type : kRuleTypes)
        known = known || rule["type"].asString() == type;
    if (!known)
        throw CSoapFault::Sender({"InvalidArgVal", "RuleNotSupported"}, "rule type \"" + rule["type"].asString() +
                                                                            "\" is not supported");
    rule["items"] = Json::Value(Json::arrayValue);
    pugi::xml_node parameters = Child(in, "Parameters");
    for (pugi::xml_node item : Children(parameters, "SimpleItem")) {
        Json::Value entry;
        entry["name"] = item.attribute("Name").value();
        entry["value"] = item.attribute("Value").value();
        rule["items"].append(entry);
    }
    if (rule["type"].asString() == "TamperDetector") {
        for (pugi::xml_node element : Children(parameters, "ElementItem")) {
            pugi::xml_node polygon = Child(Child(element, "PolygonConfiguration"), "Polygon");
            for (pugi::xml_node p : Children(polygon, "Point")) {
                Json::Value point(Json::arrayValue);
                point.append(std::atof(p.attribute("x").value()));
                point.append(std::atof(p.attribute("y").value()));
                rule["field"].append(point);
            }
        }
        if (rule["field"].size() < 3)
            throw CSoapFault::Sender({"InvalidArgVal", "InvalidRule"}, "a tamper field needs 3 points or more");
        return rule;
    }
    // A cell motion rule: its cells must decode and cover no more than the grid.
    IntItem(rule, "MinCount", 1, 1 << 16);
    IntItem(rule, "AlarmOnDelay", 0, 600000);
    IntItem(rule, "AlarmOffDelay", 0, 600000);
    const Json::Value* cells = FindItem(rule, "ActiveCells");
    std::string packed, bitmap;
    if (!cells || !Base64Decode(cells->asString(), packed) || !UnpackBits(packed, bitmap))
        throw CSoapFault::Sender({"InvalidArgVal", "InvalidRule"}, "ActiveCells is not PackBits in base64");
    const Json::Value& layout = analytics["modules"][0]["layout"];
    const size_t bytes = static_cast<size_t>(layout["columns"].asInt() * layout["rows"].asInt() + 7) / 8;
    if (bitmap.size() > bytes)
        throw CSoapFault::Sender({"InvalidArgVal", "InvalidRule"},
                                 "ActiveCells has " + std::to_string(bitmap.size()) + " bytes, the grid " +
                                     std::to_string(bytes));
    return rule;
}

void GetRules(CCallContext& ctx)
{
    Json::Value& analytics = RequireAnalytics(ctx);
    CXmlNode out = ctx.respond();
    for (const Json::Value& rule : analytics["rules"])
        WriteAnalyticsRecord(out.sub("Rule"), rule);
}

// Create and Modify: the whole request is checked before the state changes.
void ChangeRules(CCallContext& ctx, bool create)
{
    Json::Value& analytics = RequireAnalytics(ctx);
    Json::Value rules = analytics["rules"];
    for (pugi::xml_node in : Children(ctx.input(), "Rule")) {
        Json::Value rule = ReadRule(in, analytics);
        Json::Value* existing = FindRecord(rules, rule["name"].asString());
        if (create && existing)
            throw CSoapFault::Sender({"InvalidArgs", "RuleAlreadyExistent"}, "rule \"" + rule["name"].asString() +
                                                                                 "\" exists");
        if (!create && !existing)
            throw CSoapFault::Sender({"InvalidArgs", "RuleNotExistent"}, "no rule \"" + rule["name"].asString() + "\"");
        if (existing)
            *existing = rule;
        else
            rules.append(rule);
    }
    if (static_cast<int>(rules.size()) > kMaxRules)
        throw CSoapFault::Receiver({"Action", "TooManyRules"}, "at most " + std::to_string(kMaxRules) + " rules");
    analytics["rules"] = rules;
    ctx.respond();
}

void CreateRules(CCallContext& ctx) { ChangeRules(ctx, true); }
void ModifyRules(CCallContext& ctx) { ChangeRules(ctx, false); }

void DeleteRules(CCallContext& ctx)
{
    Json::Value& analytics = RequireAnalytics(ctx);
    Json::Value kept(Json::arrayValue);
    std::vector<std::string> names;
    for (pugi::xml_node n : Children(ctx.input(), "RuleName"))
        names.push_back(Trimmed(n.text().get()));
    for (const std::string& name : names)
        if (!FindRecord(analytics["rules"], name))
            throw CSoapFault::Sender({"InvalidArgs", "RuleNotExistent"}, "no rule \"" + name + "\"");
    for (const Json::Value& rule : analytics["rules"]) {
        bool drop = false;
        for (const std::string& name : names)
            drop = drop || rule["name"].asString() == name;
        if (!drop)
            kept.append(rule);
    }
    analytics["rules"] = kept;
    ctx.respond();
}

void GetAnalyticsModules(CCallContext& ctx)
{
    Json::Value& analytics = RequireAnalytics(ctx);
    CXmlNode out = ctx.respond();
    for (const Json::Value& module : analytics["modules"])
        WriteAnalyticsRecord(out.sub("AnalyticsModule"), module);
}

// Only the simple items of an existing module change; its layout is the firmware's.
void ModifyAnalyticsModules(CCallContext& ctx)
{
    Json::Value& analytics = RequireAnalytics(ctx);
    Json::Value modules = analytics["modules"];
    for (pugi::xml_node in : Children(ctx.input(), "AnalyticsModule")) {
        const std::string name = Trimmed(in.attribute("Name").value());
        Json::Value* module = FindRecord(modules, name);
        if (!module)
            throw CSoapFault::Sender({"InvalidArgs", "NameNotExistent"}, "no analytics module \"" + name + "\"");
        for (pugi::xml_node item : Children(Child(in, "Parameters"), "SimpleItem")) {
            const std::string itemName = item.attribute("Name").value();
            bool found = false;
            for (Json::Value& own : (*module)["items"])
                if (own["name"].asString() == itemName) {
                    own["value"] = item.attribute("Value").value();
                    found = true;
                }
            if (!found)
                throw CSoapFault::Sender({"InvalidArgVal", "ConfigModify"}, name + " has no parameter " + itemName);
        }
        IntItem(*module, "Sensitivity", 0, 100);
    }
    analytics["modules"] = modules;
    ctx.respond();
}

void Describe(CXmlNode parameters, const char* simple[][2], size_t count, const char* element)
{
    for (size_t i = 0; i < count; ++i)
        parameters.sub("SimpleItemDescription").attr("Name", simple[i][0]).attr("Type", simple[i][1]);
    if (element)
        parameters.sub("ElementItemDescription").attr("Name", element).attr("Type", "tt:" + std::string(element));
}

void GetSupportedRules(CCallContext& ctx)
{
    RequireAnalytics(ctx);
    CXmlNode supported = ctx.respond().sub("SupportedRules");
    const char* cell[][2] = {{"MinCount", "xs:integer"}, {"AlarmOnDelay", "xs:integer"},
                             {"AlarmOffDelay", "xs:integer"}, {"ActiveCells", "xs:base64Binary"}};
    CXmlNode d = supported.add(Ns::Schema, "RuleDescription").attr("Name", "tt:CellMotionDetector");
    Describe(d.sub("Parameters"), cell, 4, nullptr);
    d = supported.add(Ns::Schema, "RuleDescription").attr("Name", "tt:TamperDetector");
    Describe(d.sub("Parameters"), cell, 0, "PolygonConfiguration");
}

void GetSupportedAnalyticsModules(CCallContext& ctx)
{
    RequireAnalytics(ctx);
    CXmlNode supported = ctx.respond().sub("SupportedAnalyticsModules");
    const char* sensitivity[][2] = {{"Sensitivity", "xs:integer"}};
    CXmlNode d = supported.add(Ns::Schema, "AnalyticsModuleDescription").attr("Name", "tt:CellMotionEngine");
    Describe(d.sub("Parameters"), sensitivity, 1, "CellLayout");
    CXmlNode message = d.sub("Messages").attr("IsProperty", "true");
    message.sub("Source").sub("SimpleItemDescription").attr("Name", "VideoSourceConfigurationToken")
        .attr("Type", "tt:ReferenceToken");
    message.sub("Data").sub("SimpleItemDescription").attr("Name", "IsMotion").attr("Type", "xs:boolean");
    d = supported.add(Ns::Schema, "AnalyticsModuleDescription").attr("Name", "tt:TamperEngine");
    Describe(d.sub("Parameters"), sensitivity, 1, nullptr);
}

void WriteAnalyticsCapabilities(CCallContext&, CXmlNode parent)
{
    parent.add(Ns::Analytics, "Capabilities")
        .attr("RuleSupport", "true")
        .attr("AnalyticsModuleSupport", "true")
        .attr("CellBasedSceneDescriptionSupported", "true");
}

void GetServiceCapabilities(CCallContext& ctx)
{
    WriteAnalyticsCapabilities(ctx, ctx.respond());
}

} // namespace

const CServiceHandler& AnalyticsService()
{
    using L = EUserLevel;
    static const CServiceHandler handler = {
        "analytics",
        {
            {"GetServiceCapabilities", L::User, &GetServiceCapabilities},
            {"GetSupportedRules", L::User, &GetSupportedRules},
            {"GetRules", L::User, &GetRules},
            {"CreateRules", L::Operator, &CreateRules},
            {"ModifyRules", L::Operator, &ModifyRules},
            {"DeleteRules", L::Operator, &DeleteRules},
            {"GetSupportedAnalyticsModules", L::User, &GetSupportedAnalyticsModules},
            {"GetAnalyticsModules", L::User, &GetAnalyticsModules},
            {"ModifyAnalyticsModules", L::Operator, &ModifyAnalyticsModules},
        },
        &WriteAnalyticsCapabilities,
    };
    return handler;
}

} // namespace OnvifSim
