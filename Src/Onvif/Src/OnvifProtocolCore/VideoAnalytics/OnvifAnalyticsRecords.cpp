#include "OnvifProtocolCore/VideoAnalytics/OnvifAnalyticsRecords.h"

#include <cstring>
#include <string>

#include "OnvifFramework/Utility/OnvifCommonFields.h"
#include "OnvifFramework/Utility/OnvifFieldMap.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC
{
namespace Onvif
{
namespace AnalyticsRecords
{

namespace
{

// ---- Reading ----------------------------------------------------------------------------

const OnvifField kPoint[] = {realField("x", "@x"), realField("y", "@y"), {}};
const OnvifField kField[] = {
    recordListField("PolygonConfiguration.Polygon", "PolygonConfiguration/Polygon/Point", kPoint), {}};
const OnvifField kTransformation[] = {
    realField("Translate.x", "Translate/@x"),
    realField("Translate.y", "Translate/@y"),
    realField("Scale.x", "Scale/@x"),
    realField("Scale.y", "Scale/@y"),
    {},
};
const OnvifField kCellLayout[] = {intField("Columns", "@Columns"), intField("Rows", "@Rows"), {}};

// Which element items a record of a type has its contents read for.
struct ElementReading {
    const char* itemName;
    const char* contentKey;  // "" : the item's record itself
    const char* contentPath; // relative to the element item
    const OnvifField* fields;
};
const ElementReading kElementItems[] = {
    {"Field", "", "", kField},
    {"Layout", "CellLayout", "CellLayout", kCellLayout},
    {"Layout", "CellLayout.Transformation", "CellLayout/Transformation", kTransformation},
    {"Transform", "Transformation", "Transformation", kTransformation},
};

bool typeIsOneOf(const std::string& type, const char* const* needles)
{
    for (const char* const* n = needles; *n; ++n)
        if (type.find(*n) != std::string::npos)
            return true;
    return false;
}

void readElementItems(CSOAPMessage& response, const std::string& recordPath, Json::Value& record)
{
    const std::string listPath = recordPath + "/Parameters/ElementItem";
    const int count = response.getArraySize(listPath.c_str());
    for (int j = 0; j < count; ++j) {
        const std::string itemPath = listPath + "[" + std::to_string(j) + "]";
        const char* name = response.getAsCString((itemPath + "/@Name").c_str());
        Json::Value item(Json::objectValue);
        item["Name"] = name ? name : "";
        COnvifFieldMap map(COnvifFieldMap::FLAGS_ANY_CASE);
        for (const ElementReading& e : kElementItems)
            if (name && std::strcmp(name, e.itemName) == 0)
                map.add(e.contentKey, itemPath + (*e.contentPath ? "/" : "") + e.contentPath, {e.fields});
        readFields(response, map.fields(), item);
        record["Parameters"]["ElementItem"].append(item);
    }
}

int readRecords(CSOAPMessage& response, const char* element, const char* const* elementTypes, Json::Value& rsp)
{
    const std::string listPath = std::string("./") + element;
    const int count = response.getArraySize(listPath.c_str());
    Json::Value list(Json::arrayValue);
    for (int i = 0; i < count; ++i) {
        const std::string recordPath = listPath + "[" + std::to_string(i) + "]";
        COnvifFieldMap map(COnvifFieldMap::FLAGS_ANY_CASE);
        map.add("", recordPath, {CommonFields::kConfig});
        Json::Value record(Json::objectValue);
        readFields(response, map.fields(), record);
        if (typeIsOneOf(record.get("Type", "").asString(), elementTypes))
            readElementItems(response, recordPath, record);
        list.append(record);
    }
    if (count > 0)
        rsp[element] = list;
    return 0;
}

// ---- Writing ----------------------------------------------------------------------------

// Name and Type of record i, its simple items and (for what `withItems` allows) its element
// items, under ./tan:<element>[i].
int writeRecord(CSOAPMessage& request, const std::string& element, int i, const Json::Value& record,
                bool withElementItems)
{
    if (!record.isObject()) {
        ONVIF_LOG(LOG_ERROR, "[ERRLN] %s[%d] is not a record\n", element.c_str(), i);
        return -1;
    }
    const std::string base = "./tan:" + element + "[" + std::to_string(i) + "]";
    const std::string type = record.get("Type", "").asString();
    if (request.set((base + "/@Name").c_str(), record.get("Name", "").asString().c_str(), true) != 0 ||
        request.set((base + "/@Type").c_str(), type.c_str(), true) != 0)
        return -1;
    const Json::Value& parameters = record["Parameters"];
    const Json::Value& simple = parameters.isObject() ? parameters["SimpleItem"] : Json::Value::nullSingleton();
    const Json::Value& items = parameters.isObject() ? parameters["ElementItem"] : Json::Value::nullSingleton();
    const std::string itemBase = base + "/tt:Parameters";
    if (request.set(itemBase.c_str(), static_cast<const char*>(nullptr), true) != 0)
        return -1;
    for (Json::ArrayIndex j = 0; simple.isArray() && j < simple.size(); ++j) {
        const std::string item = itemBase + "/tt:SimpleItem[" + std::to_string(j) + "]";
        if (request.set((item + "/@Name").c_str(), simple[j].get("Name", "").asString().c_str(), true) != 0 ||
            request.set((item + "/@Value").c_str(), simple[j].get("Value", "").asString().c_str(), true) != 0)
            return -1;
    }
    for (Json::ArrayIndex j = 0; withElementItems && items.isArray() && j < items.size(); ++j) {
        const std::string item = itemBase + "/tt:ElementItem[" + std::to_string(j) + "]";
        const std::string name = items[j].get("Name", "").asString();
        if (request.set((item + "/@Name").c_str(), name.c_str(), true) != 0)
            return -1;
        // Only a tamper detector's field is ever edited by a client; other element items
        // are the device's and go back by name.
        if (type.find("TamperDetector") == std::string::npos || name.find("Field") == std::string::npos)
            continue;
        const Json::Value& polygon = items[j]["PolygonConfiguration"]["Polygon"];
        const std::string point = item + "/tt:PolygonConfiguration/tt:Polygon/tt:Point[%d]";
        for (Json::ArrayIndex k = 0; polygon.isArray() && k < polygon.size(); ++k) {
            const int index = static_cast<int>(k);
            if (request.set((point + "/@x").c_str(), polygon[k].get("x", 0.0).asDouble(), index) != 0 ||
                request.set((point + "/@y").c_str(), polygon[k].get("y", 0.0).asDouble(), index) != 0)
                return -1;
        }
    }
    return 0;
}

int writeRecords(CSOAPMessage& request, const Json::Value& req, const char* element, bool withElementItems)
{
    const Json::Value& list = req[element];
    if (!list.isArray() || list.empty()) {
        ONVIF_LOG(LOG_ERROR, "[ERRLN] %s list missing\n", element);
        return -1;
    }
    for (Json::ArrayIndex i = 0; i < list.size(); ++i)
        if (writeRecord(request, element, static_cast<int>(i), list[i], withElementItems) != 0)
            return -1;
    return 0;
}

// ---- Supported module descriptions ------------------------------------------------------

const OnvifField kItemDescription[] = {textField("Name", "@Name"), textField("Type", "@Type"), {}};
const OnvifField kDescriptionName[] = {textField("Name", "@Name"), {}};
const OnvifField kMessageFlag[] = {boolField("IsProperty", "@IsProperty"), {}};

} // namespace

int writeRules(CSOAPMessage& request, const Json::Value& req)
{
    return writeRecords(request, req, "Rule", true);
}

int writeModules(CSOAPMessage& request, const Json::Value& req)
{
    return writeRecords(request, req, "AnalyticsModule", false);
}

int readRules(CSOAPMessage& response, const Json::Value&, Json::Value& rsp)
{
    static const char* const kTypes[] = {"CellMotionDetector", "TamperDetector", nullptr};
    return readRecords(response, "Rule", kTypes, rsp);
}

int readModules(CSOAPMessage& response, const Json::Value&, Json::Value& rsp)
{
    static const char* const kTypes[] = {"CellMotionEngine", "TamperEngine", nullptr};
    return readRecords(response, "AnalyticsModule", kTypes, rsp);
}

int readSupportedModules(CSOAPMessage& response, const Json::Value&, Json::Value& rsp)
{
    const std::string base = "./SupportedAnalyticsModules";
    Json::Value supported(Json::objectValue);
    const OnvifField locations[] = {textListField("AnalyticsModuleContentSchemaLocation",
                                                  "./SupportedAnalyticsModules/"
                                                  "AnalyticsModuleContentSchemaLocation[%d]"),
                                    {}};
    readFields(response, locations, supported);
    const int count = response.getArraySize((base + "/AnalyticsModuleDescription").c_str());
    for (int i = 0; i < count; ++i) {
        const std::string path = base + "/AnalyticsModuleDescription[" + std::to_string(i) + "]";
        COnvifFieldMap map(COnvifFieldMap::FLAGS_ANY_CASE);
        const OnvifField* items[] = {
            map.listOf("SimpleItemDescription", "SimpleItemDescription", {kItemDescription}),
            map.listOf("ElementItemDescription", "ElementItemDescription", {kItemDescription}),
        };
        map.add("", path, {kDescriptionName});
        map.add("Parameters", path + "/Parameters", {items[0], items[1]});
        // Each message's source, key and data are item lists of the message record.
        map.addList("Messages", path + "/Messages",
                    {kMessageFlag, map.under("Source", "Source", {items[0], items[1]}),
                     map.under("Key", "Key", {items[0], items[1]}), map.under("Data", "Data", {items[0], items[1]})});
        Json::Value description(Json::objectValue);
        readFields(response, map.fields(), description);
        supported["AnalyticsModuleDescription"].append(description);
    }
    rsp["SupportedAnalyticsModules"] = supported;
    return 0;
}

} // namespace AnalyticsRecords
} // namespace Onvif
} // namespace RPC
