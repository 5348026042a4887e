#pragma once
// The host's PTZ interface for one channel: moves in host coordinates, presets and tours
// by host number, focus and iris, auxiliary switches. Every command finds the channel's
// main profile first (its token names the dome to the device, its PTZ configuration names
// the node whose limits apply) and reaches the device through the function scripts.
#include <json/json.h>

#include <atomic>
#include <memory>

#include "Component/ServerInfo.h"
#include "IPtz.h"

namespace RPC {
namespace Onvif {

class COnvifPtz : public Zentar::Comm::IPtz {
public:
    // What stopMove stops: the kind of the last command that set something moving.
    enum LastMotion { MOTION_NONE = 0, MOTION_PTZ = 1, MOTION_FOCUS = 2, MOTION_IRIS = 3 };

    COnvifPtz(std::shared_ptr<const Zentar::Component::ServerInfo> serverInfo, int channel);
    ~COnvifPtz() override;

    int getChannel() const { return m_channel; }

    bool getCurrentProtocolCaps(Json::Value& caps) override;
    bool moveAbsolutely(const float position[3], const float speed[3]) override;
    bool moveAbsolutely(const float position[3]) override;
    bool moveDirectly(const float point[3]) override;
    bool moveContinuously(const float speed[3], int timeoutSeconds) override;
    bool stopMove() override;
    bool getStatus(Json::Value& status) override;
    bool setFocusMode(bool manual) override;
    bool focusManually(float speed) override;
    bool setIrisMode(bool manual) override;
    bool setIrisValue(float value) override;
    bool adjustIris(float change) override;
    bool setPreset(int preset, const char* name) override;
    bool getPresets(Json::Value& presets) override;
    bool gotoPreset(int preset, const float speed[3]) override;
    bool gotoPreset(int preset) override;
    bool removePreset(int preset) override;
    bool setTour(int tour, const char* name) override;
    bool getTours(Json::Value& tours) override;
    bool removeTour(int tour) override;
    bool addTourPoint(int tour, int point, int preset, int staySeconds, int mark) override;
    bool removeTourPoint(int tour, int point, int preset) override;
    bool startTour(int tour) override;
    bool stopTour(int tour) override;
    bool auxControl(const char* function, bool on) override;

    int lastMotion() const { return m_lastMotion.load(); }

private:
    // The channel's main profile, which must carry a PTZ configuration; otherwise logged,
    // last error "not supported" (the channel has no dome) and false.
    bool profileForPtz(Json::Value& profile);
    bool ptzCall(Json::Value& request, Json::Value& result, const char* command);
    bool imagingCall(Json::Value& request, Json::Value& result, const char* command);
    // One member of the channel's node ("PresetMax", "TourMax"); 0 when it cannot be read.
    unsigned nodeLimit(const Json::Value& profile, const char* key);
    bool absoluteMove(const float position[3], const float* speed);
    bool gotoPresetWith(int preset, const float* speed);
    // The video source's imaging settings change (focus mode, iris mode or value).
    bool setImaging(const Json::Value& settings);
    bool videoSource(std::string& token);
    bool operateTour(int tour, const char* operation);
    // The channel's profile, tour table and the enabled slot of host tour `tour` (null: logged).
    const Json::Value* tourSlot(int tour, Json::Value& profile, Json::Value& table);
    // The tour's points changed: the device gets the whole tour, the table is stored on success.
    bool sendTourPoints(const Json::Value& profile, Json::Value& tours, const Json::Value& presets, int tour);
    bool loadTable(const Json::Value& profile, const char* array, Json::Value& table);
    bool storeTable(const char* array, const Json::Value& table);

    std::shared_ptr<const Zentar::Component::ServerInfo> m_serverInfo;
    const int m_channel;
    std::atomic<int> m_lastMotion{MOTION_NONE};
};

} // namespace Onvif
} // namespace RPC
