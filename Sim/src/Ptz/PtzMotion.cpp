// How a dome moves with time. Each axis is idle, moving at a velocity (until the move's
// time-out) or travelling to a target at a rate; a tour adds the stays between presets.
// AdvanceNode steps from event to event (a time-out, an arrival, the end of a stay), so a
// node that nobody asked about for a minute is exact when it is asked again.
#include "Ptz/PtzModel.h"

#include "Soap/SoapFault.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>

namespace OnvifSim {
namespace {

const char* const kAxes[] = {"pan", "tilt", "zoom"};
constexpr double kEpsilon = 1e-9;
// Events handled per request at most; a tour of presets at one place with no stay could
// otherwise go round without time passing.
constexpr int kMaxEventsPerAdvance = 256;

bool Wraps(const Json::Value& node, const char* axis)
{
    return std::string(axis) == "pan" && node["panEndless"].asBool();
}

double Wrap(double pan)
{
    double p = std::fmod(pan + 1.0, 2.0);
    if (p < 0)
        p += 2.0;
    return p - 1.0;
}

// Signed distance from `from` to `to`; the short way round on an endless pan.
double Delta(const Json::Value& node, const char* axis, double from, double to)
{
    double d = to - from;
    if (Wraps(node, axis)) {
        d = Wrap(d);
        if (d == -1.0 && to > from)
            d = 1.0;
    }
    return d;
}

// Milliseconds until the axis's next event (a velocity's end or a target's arrival);
// infinity for an idle axis.
double NextEvent(const Json::Value& node, const char* axis, double last)
{
    const Json::Value& m = node["motion"][axis];
    const std::string mode = m["mode"].asString();
    if (mode == "velocity")
        return node["motion"]["untilMs"].asDouble();
    if (mode == "target") {
        const double distance = std::fabs(Delta(node, axis, node["position"][axis].asDouble(), m["value"].asDouble()));
        return last + 1000.0 * distance / m["rate"].asDouble();
    }
    return std::numeric_limits<double>::infinity();
}

void StepAxis(Json::Value& node, const char* axis, double seconds, bool arrives)
{
    Json::Value& m = node["motion"][axis];
    const std::string mode = m["mode"].asString();
    Json::Value& pos = node["position"][axis];
    if (mode == "velocity") {
        pos = Clamp(node, axis, pos.asDouble() + m["value"].asDouble() * m["rate"].asDouble() * seconds);
    } else if (mode == "target") {
        if (arrives) {
            pos = m["value"].asDouble();
            m["mode"] = "idle";
            return;
        }
        const double d = Delta(node, axis, pos.asDouble(), m["value"].asDouble());
        const double step = std::min(std::fabs(d), m["rate"].asDouble() * seconds);
        pos = Clamp(node, axis, pos.asDouble() + (d < 0 ? -step : step));
    }
}

Json::Value* FindPreset(Json::Value& node, const std::string& token)
{
    for (Json::Value& p : node["presets"])
        if (p["token"].asString() == token)
            return &p;
    return nullptr;
}

Json::Value* FindTour(Json::Value& node, const std::string& token)
{
    for (Json::Value& t : node["tours"])
        if (t["token"].asString() == token)
            return &t;
    return nullptr;
}

// Sends the dome to the running tour's current spot, skipping spots whose preset has
// gone; a tour with no reachable spot ends.
void GoToSpot(Json::Value& node, Json::Value& tour)
{
    Json::Value& running = node["tour"];
    const Json::Value& spots = tour["spots"];
    for (Json::ArrayIndex tried = 0; tried < spots.size(); ++tried) {
        const Json::ArrayIndex spot = running["spot"].asUInt() % spots.size();
        if (const Json::Value* preset = FindPreset(node, spots[spot]["preset"].asString())) {
            const Json::Value& p = (*preset)["position"];
            StartTarget(node, &p["pan"], &p["tilt"], &p["zoom"], CAxes{1.0, 1.0, 1.0});
            running["spot"] = spot;
            running["phase"] = "moving";
            return;
        }
        running["spot"] = (spot + 1) % spots.size();
    }
    node["tour"] = Json::Value();
}

void TourEvent(Json::Value& node, double now)
{
    Json::Value& running = node["tour"];
    if (running.isNull())
        return;
    Json::Value* tour = FindTour(node, running["token"].asString());
    if (!tour || (*tour)["spots"].empty()) {
        node["tour"] = Json::Value();
        return;
    }
    const std::string phase = running["phase"].asString();
    if (phase == "moving" && !AxisMoving(node, "pan") && !AxisMoving(node, "tilt") && !AxisMoving(node, "zoom")) {
        const Json::Value& spot = (*tour)["spots"][running["spot"].asUInt() % (*tour)["spots"].size()];
        running["phase"] = "staying";
        running["stayUntilMs"] = now + 1000.0 * spot["staySeconds"].asDouble();
    } else if (phase == "staying" && running["stayUntilMs"].asDouble() <= now) {
        running["spot"] = running["spot"].asUInt() + 1;
        GoToSpot(node, *tour);
    }
}

} // namespace

double MotionNowMs(const CDeviceState& state)
{
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    const double real = std::chrono::duration<double, std::milli>(since).count();
    const Json::Value& skew = state.serviceData["motionSkewMs"];
    return real + (skew.isNumeric() ? skew.asDouble() : 0.0);
}

double Clamp(const Json::Value& node, const char* axis, double value)
{
    if (Wraps(node, axis))
        return Wrap(value);
    const Json::Value& range = node["limits"][axis];
    return std::max(range[0].asDouble(), std::min(range[1].asDouble(), value));
}

bool AxisMoving(const Json::Value& node, const char* axis)
{
    const Json::Value& m = node["motion"][axis];
    const std::string mode = m["mode"].asString();
    return mode == "target" || (mode == "velocity" && std::fabs(m["value"].asDouble()) > kEpsilon);
}

void AdvanceNode(Json::Value& node, double now)
{
    if (node["lastMs"].asDouble() < 0)
        node["lastMs"] = now;
    for (int events = 0; events < kMaxEventsPerAdvance; ++events) {
        const double last = node["lastMs"].asDouble();
        double next = now;
        for (const char* axis : kAxes)
            next = std::min(next, NextEvent(node, axis, last));
        const Json::Value& running = node["tour"];
        if (!running.isNull() && running["phase"].asString() == "staying")
            next = std::min(next, running["stayUntilMs"].asDouble());
        next = std::max(next, last);
        for (const char* axis : kAxes)
            StepAxis(node, axis, (next - last) / 1000.0, NextEvent(node, axis, last) <= next);
        if (node["motion"]["untilMs"].asDouble() <= next)
            for (const char* axis : kAxes)
                if (node["motion"][axis]["mode"].asString() == "velocity")
                    node["motion"][axis]["mode"] = "idle";
        node["lastMs"] = next;
        TourEvent(node, next);
        if (next >= now && node["lastMs"].asDouble() >= now)
            break;
    }
}

void StartVelocity(Json::Value& node, const Json::Value* pan, const Json::Value* tilt, const Json::Value* zoom,
                   double untilMs)
{
    const Json::Value* given[] = {pan, tilt, zoom};
    for (int i = 0; i < 3; ++i) {
        Json::Value& m = node["motion"][kAxes[i]];
        if (!given[i]) {
            // An axis the request leaves out keeps a velocity it has, and stops a target.
            if (m["mode"].asString() == "target")
                m["mode"] = "idle";
            continue;
        }
        m["mode"] = "velocity";
        m["value"] = given[i]->asDouble();
        m["rate"] = node["rates"][kAxes[i]];
    }
    node["motion"]["untilMs"] = untilMs;
}

void StartTarget(Json::Value& node, const Json::Value* pan, const Json::Value* tilt, const Json::Value* zoom,
                 const CAxes& speed)
{
    const Json::Value* given[] = {pan, tilt, zoom};
    const double speeds[] = {speed.pan, speed.tilt, speed.zoom};
    for (int i = 0; i < 3; ++i) {
        if (!given[i])
            continue;
        Json::Value& m = node["motion"][kAxes[i]];
        m["mode"] = "target";
        m["value"] = Clamp(node, kAxes[i], given[i]->asDouble());
        m["rate"] = node["rates"][kAxes[i]].asDouble() * std::max(0.01, std::min(1.0, speeds[i]));
    }
}

void StopAxes(Json::Value& node, bool panTilt, bool zoom)
{
    for (const char* axis : kAxes) {
        const bool isZoom = std::string(axis) == "zoom";
        if ((isZoom && zoom) || (!isZoom && panTilt))
            node["motion"][axis]["mode"] = "idle";
    }
}

void StartTour(Json::Value& node, Json::Value& tour, double now)
{
    Json::Value& running = node["tour"];
    const bool resume = !running.isNull() && running["token"] == tour["token"] && running["phase"] == "paused";
    if (!resume) {
        running = Json::Value(Json::objectValue);
        running["token"] = tour["token"];
        running["spot"] = 0;
    }
    running["stayUntilMs"] = now;
    GoToSpot(node, tour);
}

void StopTour(Json::Value& node)
{
    node["tour"] = Json::Value();
}

void FieldOfView(const Json::Value& node, double& horizontal, double& vertical)
{
    const double wide = node["fov"][0].asDouble(), tele = node["fov"][1].asDouble();
    const Json::Value& zoomRange = node["limits"]["zoom"];
    const double span = zoomRange[1].asDouble() - zoomRange[0].asDouble();
    const double z = span > 0 ? (node["position"]["zoom"].asDouble() - zoomRange[0].asDouble()) / span : 0.0;
    horizontal = wide * std::pow(tele / wide, z);
    vertical = horizontal * 9.0 / 16.0;
}

// ---- CPtzState ------------------------------------------------------------------------

namespace {

Json::Value& ModelOf(CDeviceState& state)
{
    Json::Value& model = state.serviceData["ptz"];
    if (model.isNull()) {
        std::string error;
        if (!BuildPtzModel(state.current.raw, model, error)) {
            model = Json::Value();
            throw CSoapFault::Receiver({"Action"}, "PTZ configuration unavailable: " + error);
        }
    }
    return model;
}

} // namespace

CPtzState::CPtzState(CDeviceState& state) : m_device(state), m_model(ModelOf(state)), m_now(MotionNowMs(state))
{
    for (Json::Value& node : nodes())
        AdvanceNode(node, m_now);
}

Json::Value& CPtzState::requireNode(const std::string& token)
{
    for (Json::Value& node : nodes())
        if (node["token"].asString() == token)
            return node;
    throw CSoapFault::Sender({"InvalidArgVal", "NoEntity"}, "no PTZ node \"" + token + "\"");
}

Json::Value* CPtzState::nodeOfChannel(int channel)
{
    for (Json::Value& node : nodes())
        if (node["channel"].asInt() == channel)
            return &node;
    return nullptr;
}

Json::Value* CPtzState::findConfiguration(const std::string& token)
{
    for (Json::Value& c : configurations())
        if (c["token"].asString() == token)
            return &c;
    return nullptr;
}

int CPtzState::profileChannel(const std::string& profileToken)
{
    for (const Json::Value& p : m_device.serviceData["media"]["profiles"])
        if (p["token"].asString() == profileToken)
            return p["channel"].asInt();
    throw CSoapFault::Sender({"InvalidArgVal", "NoProfile"}, "no profile \"" + profileToken + "\"");
}

Json::Value& CPtzState::nodeOfProfile(const std::string& profileToken)
{
    Json::Value* node = nodeOfChannel(profileChannel(profileToken));
    if (!node)
        throw CSoapFault::Sender({"InvalidArgVal", "NoPTZProfile"}, "profile \"" + profileToken + "\" has no PTZ");
    return *node;
}

} // namespace OnvifSim
