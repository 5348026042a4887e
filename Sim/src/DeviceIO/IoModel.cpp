// Reads the "io" member of a description and keeps relay and input state while the device runs.
#include "DeviceIO/IoModel.h"

#include "Common/Log.h"
#include "Description/JsonFields.h"

namespace OnvifSim {
namespace {

// "relays": 2 is two relays with the usual settings; otherwise an array of objects.
bool ReadList(const Json::Value& in, const std::string& where, Json::Value& out, std::string& error)
{
    out = Json::Value(Json::arrayValue);
    if (in.isNull())
        return true;
    if (in.isInt() && in.asInt() >= 0 && in.asInt() <= 16) {
        for (int i = 0; i < in.asInt(); ++i)
            out.append(Json::Value(Json::objectValue));
        return true;
    }
    if (!in.isArray() || in.size() > 16)
        return error = where + ": must be a count (0 to 16) or an array of up to 16 objects", false;
    for (Json::ArrayIndex i = 0; i < in.size(); ++i) {
        if (!in[i].isObject())
            return error = where + "[" + std::to_string(i) + "]: must be an object", false;
        out.append(in[i]);
    }
    return true;
}

std::string Choice(CJsonFields& f, const char* key, const std::string& fallback, const char* a, const char* b)
{
    std::string value = fallback;
    f.string(key, value);
    if (f.ok() && value != a && value != b)
        f.fail(key, "must be " + std::string(a) + " or " + b);
    return value;
}

bool ReadRelays(const Json::Value& in, Json::Value& model, std::string& error)
{
    Json::Value list;
    if (!ReadList(in, "io.relays", list, error))
        return false;
    Json::Value& relays = model["relays"] = Json::Value(Json::arrayValue);
    for (Json::ArrayIndex i = 0; i < list.size() && error.empty(); ++i) {
        CJsonFields f(list[i], "io.relays[" + std::to_string(i) + "]", error);
        Json::Value r;
        std::string token = "RelayOutput_" + std::to_string(i + 1);
        f.string("token", token);
        r["token"] = token;
        r["mode"] = Choice(f, "mode", "Bistable", "Bistable", "Monostable");
        r["idleState"] = Choice(f, "idleState", "open", "open", "closed");
        int delay = 5;
        f.integer("delaySeconds", delay, static_cast<int>(kRelayDelayMin), static_cast<int>(kRelayDelayMax));
        r["delay"] = delay;
        r["active"] = false;
        r["since"] = 0;
        relays.append(r);
    }
    return error.empty();
}

bool ReadInputs(const Json::Value& in, Json::Value& model, std::string& error)
{
    Json::Value list;
    if (!ReadList(in, "io.digitalInputs", list, error))
        return false;
    Json::Value& inputs = model["inputs"] = Json::Value(Json::arrayValue);
    for (Json::ArrayIndex i = 0; i < list.size() && error.empty(); ++i) {
        CJsonFields f(list[i], "io.digitalInputs[" + std::to_string(i) + "]", error);
        std::string token = "DigitalInput_" + std::to_string(i + 1);
        f.string("token", token);
        bool active = false;
        f.boolean("active", active);
        Json::Value d;
        d["token"] = token;
        d["idleState"] = Choice(f, "idleState", "open", "open", "closed");
        d["active"] = active;
        inputs.append(d);
    }
    return error.empty();
}

} // namespace

bool BuildIoModel(const Json::Value& description, Json::Value& model, std::string& error)
{
    const Json::Value& io = description.isObject() ? description["io"] : Json::Value::nullSingleton();
    if (!io.isNull() && !io.isObject())
        return error = "io: must be an object", false;
    for (const auto& key : io.getMemberNames())
        if (key != "relays" && key != "digitalInputs" && key != "videoOutputs" && key != "audioOutputs" &&
            key != "comment")
            return error = "io." + key + ": unknown member", false;
    Json::Value built(Json::objectValue);
    CJsonFields f(io, "io", error);
    int videoOutputs = 0, audioOutputs = 0;
    f.integer("videoOutputs", videoOutputs, 0, 16);
    f.integer("audioOutputs", audioOutputs, 0, 16);
    built["videoOutputs"] = videoOutputs;
    built["audioOutputs"] = audioOutputs;
    if (!error.empty() || !ReadRelays(io["relays"], built, error) || !ReadInputs(io["digitalInputs"], built, error))
        return false;
    for (const char* list : {"relays", "inputs"})
        for (Json::ArrayIndex i = 0; i < built[list].size(); ++i)
            for (Json::ArrayIndex j = 0; j < i; ++j)
                if (built[list][i]["token"] == built[list][j]["token"])
                    return error = "io: token " + built[list][i]["token"].asString() + " is used twice", false;
    model = std::move(built);
    return true;
}

Json::Value& IoModel(CDeviceState& state)
{
    Json::Value& model = state.serviceData["io"];
    if (model.isNull()) {
        // Checked at load; a control-API change that broke it leaves a device without IO.
        std::string error;
        if (!BuildIoModel(state.current.raw, model, error)) {
            LogLine(state.current.name + ": io state: " + error);
            Json::Value empty;
            BuildIoModel(Json::Value(Json::objectValue), empty, error);
            model = empty;
        }
    }
    return model;
}

Json::Value* FindRelay(CDeviceState& state, const std::string& token)
{
    for (auto& r : IoModel(state)["relays"])
        if (r["token"].asString() == token) {
            bool expired = state.now() - r["since"].asInt64() >= r["delay"].asDouble();
            if (r["active"].asBool() && r["mode"] == "Monostable" && expired)
                r["active"] = false;
            return &r;
        }
    return nullptr;
}

Json::Value* FindDigitalInput(CDeviceState& state, const std::string& token)
{
    for (auto& d : IoModel(state)["inputs"])
        if (d["token"].asString() == token)
            return &d;
    return nullptr;
}

} // namespace OnvifSim
