#pragma once
// The pan/tilt/zoom state of a device: its nodes (one per dome), the PTZ configurations
// that profiles carry, and what each dome is doing. Positions move with time: a continuous
// move integrates its velocity until Stop or its time-out, an absolute, relative, preset or
// home move travels towards its target at a speed, and a running tour goes from preset to
// preset, staying at each for its stay time. Nothing runs in the background: a node is
// brought up to the current time whenever a request looks at it.
//
// The state is JSON in CDeviceState::serviceData["ptz"] (a factory reset brings back the
// described domes). Coordinates are ONVIF's generic spaces: pan and tilt -1..1, zoom 0..1.
// Layout of a node (every member always present):
//   token, name, channel (0-based), maxPresets, maxTours (0: no tours), tokenStyle
//   ("numbers" or "names"), auxiliary[], homeSupported, fixedHome, panEndless,
//   limits {pan, tilt, zoom: [lo, hi]}, rates {pan, tilt, zoom: units per second at full
//   speed}, fov [wide, tele] (horizontal degrees at zoom 0 and 1), timeoutSeconds,
//   position, home {pan, tilt, zoom}, motion {pan, tilt, zoom: {mode "idle"|"velocity"|
//   "target", value (velocity or target), rate}, untilMs}, lastMs, presets [{token, name,
//   position}], tours [{token, name, spots [{preset, staySeconds}]}], tour {token, spot,
//   phase "moving"|"staying"|"paused", stayUntilMs} or null, auxState {command: value},
//   nextToken.
#include "Common/TimeUtil.h"
#include "Device/DeviceState.h"

#include <json/value.h>

#include <string>

namespace OnvifSim {

struct CAxes {
    double pan = 0, tilt = 0, zoom = 0;
};
CAxes AxesOf(const Json::Value& v);
Json::Value AxesJson(const CAxes& a);

// Builds the PTZ state from a whole description ("ptz" member). False with a reason naming
// the member. A description without "ptz" has no nodes.
bool BuildPtzModel(const Json::Value& description, Json::Value& model, std::string& error);

// The millisecond clock moves are timed by: steady time plus what tests added with
// CSimDevice::advanceMotionClock (state.serviceData["motionSkewMs"]).
double MotionNowMs(const CDeviceState& state);

// The running PTZ state of a device, built from the description on first use.
class CPtzState {
public:
    explicit CPtzState(CDeviceState& state);

    Json::Value& nodes() { return m_model["nodes"]; }
    Json::Value& configurations() { return m_model["configurations"]; }
    // The node of a token, brought up to now; the device's fault when there is none.
    Json::Value& requireNode(const std::string& token);
    // The node behind a profile's PTZ configuration (ProfileToken of the request).
    Json::Value& nodeOfProfile(const std::string& profileToken);
    Json::Value* nodeOfChannel(int channel);
    Json::Value* findConfiguration(const std::string& token);
    int profileChannel(const std::string& profileToken);
    double now() const { return m_now; }

private:
    CDeviceState& m_device;
    Json::Value& m_model;
    double m_now;
};

// ---- Motion (PtzMotion.cpp). `now` in MotionNowMs units.
void AdvanceNode(Json::Value& node, double now);
// Per axis: a velocity in the generic velocity space (-1..1), kept until untilMs.
void StartVelocity(Json::Value& node, const Json::Value* pan, const Json::Value* tilt, const Json::Value* zoom,
                   double untilMs);
// Towards a position at speeds (generic speed space 0..1, null: full speed). Axes whose
// target is null stay where they are going.
void StartTarget(Json::Value& node, const Json::Value* pan, const Json::Value* tilt, const Json::Value* zoom,
                 const CAxes& speed);
void StopAxes(Json::Value& node, bool panTilt, bool zoom);
bool AxisMoving(const Json::Value& node, const char* axis);
// Limits, with the pan wrapping round on a dome that turns endlessly.
double Clamp(const Json::Value& node, const char* axis, double value);
void StartTour(Json::Value& node, Json::Value& tour, double now);
void StopTour(Json::Value& node);
// Horizontal and vertical field of view in degrees at the node's current zoom.
void FieldOfView(const Json::Value& node, double& horizontal, double& vertical);

} // namespace OnvifSim
