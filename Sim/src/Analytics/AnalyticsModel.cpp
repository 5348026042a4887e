#include "Analytics/AnalyticsModel.h"

#include "Common/Crypto.h"
#include "Description/Namespaces.h"

#include <cstdio>

namespace OnvifSim {
namespace {

Json::Value Item(const char* name, const std::string& value)
{
    Json::Value item;
    item["name"] = name;
    item["value"] = value;
    return item;
}

std::string Fixed(double v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.6f", v);
    return text;
}

Json::Value Build(const Json::Value& motion)
{
    const int columns = motion["columns"].asInt(), rows = motion["rows"].asInt();
    Json::Value a;
    Json::Value cell;
    cell["name"] = "MyCellMotionModule";
    cell["type"] = "CellMotionEngine";
    cell["items"].append(Item("Sensitivity", std::to_string(motion["sensitivity"].asInt())));
    cell["layout"]["columns"] = columns;
    cell["layout"]["rows"] = rows;
    a["modules"].append(cell);
    Json::Value tamper;
    tamper["name"] = "MyTamperDetecModule";
    tamper["type"] = "TamperEngine";
    tamper["items"].append(Item("Sensitivity", "50"));
    a["modules"].append(tamper);

    Json::Value detector;
    detector["name"] = "MyMotionDetectorRule";
    detector["type"] = "CellMotionDetector";
    detector["items"].append(Item("MinCount", std::to_string(motion["minCount"].asInt())));
    detector["items"].append(Item("AlarmOnDelay", std::to_string(motion["alarmOnDelay"].asInt())));
    detector["items"].append(Item("AlarmOffDelay", std::to_string(motion["alarmOffDelay"].asInt())));
    std::string bitmap(static_cast<size_t>(columns * rows + 7) / 8, '\xFF');
    if ((columns * rows) % 8)
        bitmap.back() = static_cast<char>(0xFF << (8 - (columns * rows) % 8));
    detector["items"].append(Item("ActiveCells", Base64Encode(PackBits(bitmap))));
    a["rules"].append(detector);
    Json::Value field;
    field["name"] = "MyTamperDetectorRule";
    field["type"] = "TamperDetector";
    const double corners[][2] = {{-1, -1}, {-1, 1}, {1, 1}, {1, -1}};   // the whole picture
    for (const auto& corner : corners) {
        Json::Value point(Json::arrayValue);
        point.append(corner[0]);
        point.append(corner[1]);
        field["field"].append(point);
    }
    a["rules"].append(field);
    return a;
}

} // namespace

Json::Value& AnalyticsOf(CDeviceState& state, const Json::Value& config)
{
    Json::Value& all = state.serviceData["analytics"];
    const std::string token = config["token"].asString();
    if (!all.isMember(token))
        all[token] = Build(config["motion"]);
    return all[token];
}

void WriteAnalyticsRecord(CXmlNode element, const Json::Value& record)
{
    element.attr("Name", record["name"].asString()).qnameAttr("Type", Ns::Schema, record["type"].asString());
    CXmlNode parameters = element.add(Ns::Schema, "Parameters");
    for (const Json::Value& item : record["items"])
        parameters.sub("SimpleItem").attr("Name", item["name"].asString()).attr("Value", item["value"].asString());
    if (record.isMember("layout")) {
        const int columns = record["layout"]["columns"].asInt(), rows = record["layout"]["rows"].asInt();
        CXmlNode layout = parameters.sub("ElementItem").attr("Name", "Layout").sub("CellLayout");
        layout.attr("Columns", std::to_string(columns)).attr("Rows", std::to_string(rows));
        CXmlNode transform = layout.sub("Transformation");
        transform.sub("Translate").attr("x", "-1.000000").attr("y", "-1.000000");
        transform.sub("Scale").attr("x", Fixed(2.0 / columns)).attr("y", Fixed(2.0 / rows));
    }
    if (record.isMember("field")) {
        CXmlNode polygon =
            parameters.sub("ElementItem").attr("Name", "Field").sub("PolygonConfiguration").sub("Polygon");
        for (const Json::Value& p : record["field"])
            polygon.sub("Point").attr("x", Fixed(p[0].asDouble())).attr("y", Fixed(p[1].asDouble()));
    }
}

std::string PackBits(const std::string& raw)
{
    std::string out;
    size_t i = 0;
    while (i < raw.size()) {
        size_t same = 1;
        while (i + same < raw.size() && same < 128 && raw[i + same] == raw[i])
            ++same;
        if (same > 1) {
            out.push_back(static_cast<char>(1 - static_cast<int>(same)));
            out.push_back(raw[i]);
            i += same;
            continue;
        }
        const size_t start = i;
        while (i < raw.size() && i - start < 128 && !(i + 1 < raw.size() && raw[i] == raw[i + 1]))
            ++i;
        out.push_back(static_cast<char>(i - start - 1));
        out.append(raw, start, i - start);
    }
    return out;
}

bool UnpackBits(const std::string& packed, std::string& raw)
{
    raw.clear();
    for (size_t i = 0; i < packed.size();) {
        const int n = static_cast<signed char>(packed[i++]);
        if (n == -128)
            continue;
        if (n >= 0) {
            if (i + static_cast<size_t>(n) + 1 > packed.size())
                return false;
            raw.append(packed, i, static_cast<size_t>(n) + 1);
            i += static_cast<size_t>(n) + 1;
        } else {
            if (i >= packed.size())
                return false;
            raw.append(static_cast<size_t>(1 - n), packed[i++]);
        }
    }
    return true;
}

} // namespace OnvifSim
