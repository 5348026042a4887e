#pragma once
// The host's pan/tilt/zoom interface for one channel of a device, in the host's own
// numbering (presets and tours from 1) and coordinates (pan and tilt -1..1 with 0 at the
// back of the dome, zoom 0..1; screen points as fractions of the picture from the top left).
#include <json/json.h>

#include "Component/Unknown.h"
#include "InterfaceDefaults.h"

namespace Zentar {
namespace Comm {

using Component::notSupportedSlot;

class IPtz : public Component::IUnknown {
public:
    static constexpr const char* kInterfaceName = "Ptz";

    // The channel's PTZ node (spaces, limits, preset and tour maxima).
    virtual bool getCurrentProtocolCaps(Json::Value& caps) { return notSupportedSlot(); }
    virtual bool moveAbsolutely(const float position[3], const float speed[3]) { return notSupportedSlot(); }
    virtual bool moveAbsolutely(const float position[3]) { return notSupportedSlot(); }
    // Centres the picture on a screen point (x, y) and zooms by point[2].
    virtual bool moveDirectly(const float point[3]) { return notSupportedSlot(); }
    // Speeds -1..1; timeoutSeconds <= 0: the device's own time-out.
    virtual bool moveContinuously(const float speed[3], int timeoutSeconds) { return notSupportedSlot(); }
    // Stops what the last command set moving (a move or the focus).
    virtual bool stopMove() { return notSupportedSlot(); }
    // "Postion" [pan, tilt, zoom], "PanTiltStatus", "ZoomStatus", "MoveStatus" ("Moving"/"Idle"), "UTC".
    virtual bool getStatus(Json::Value& status) { return notSupportedSlot(); }
    virtual bool setFocusMode(bool manual) { return notSupportedSlot(); }
    // Focus speed -1 (near) .. 1 (far) until stopMove.
    virtual bool focusManually(float speed) { return notSupportedSlot(); }
    virtual bool setIrisMode(bool manual) { return notSupportedSlot(); }
    virtual bool setIrisValue(float value) { return notSupportedSlot(); }
    // Change -1 .. 1 of the device's iris range.
    virtual bool adjustIris(float change) { return notSupportedSlot(); }
    virtual bool setPreset(int preset, const char* name) { return notSupportedSlot(); }
    // The presets the device has, each {"Enable", "Index", "Token", "Name", "Position"}.
    virtual bool getPresets(Json::Value& presets) { return notSupportedSlot(); }
    virtual bool gotoPreset(int preset, const float speed[3]) { return notSupportedSlot(); }
    virtual bool gotoPreset(int preset) { return notSupportedSlot(); }
    virtual bool removePreset(int preset) { return notSupportedSlot(); }
    virtual bool setTour(int tour, const char* name) { return notSupportedSlot(); }
    // The tours, each {"Enable", "Index", "Token", "Name", "Presets": [[preset slot, stay s, mark]]}.
    virtual bool getTours(Json::Value& tours) { return notSupportedSlot(); }
    virtual bool removeTour(int tour) { return notSupportedSlot(); }
    virtual bool addTourPoint(int tour, int point, int preset, int staySeconds, int mark) { return notSupportedSlot(); }
    // point < 0: every point of that preset.
    virtual bool removeTourPoint(int tour, int point, int preset) { return notSupportedSlot(); }
    virtual bool startTour(int tour) { return notSupportedSlot(); }
    virtual bool stopTour(int tour) { return notSupportedSlot(); }
    // "Wiper", "IRLamp", "Iris", "RainBrush" (or "1").
    virtual bool auxControl(const char* function, bool on) { return notSupportedSlot(); }
};

} // namespace Comm
} // namespace Zentar
