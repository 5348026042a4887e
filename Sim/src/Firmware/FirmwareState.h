#pragma once
// The device's side of a firmware upgrade: the upload address StartFirmwareUpgrade hands
// out, what the upload endpoint accepts, and the reboot that follows a good image. Works
// on the device state and must be called with the device lock held.
//
// An image is good when it starts with the line "SIMFW <version>\n" (version: 1 to 32 of
// letters, digits, '.', '_', '-'); after it the device reports that version. State in
// CDeviceState::serviceData["firmware"]:
//   state        "Idle", "Ready" (address handed out), "Receiving", "Rebooting", "Done",
//                "Refused" (bad image or size), "Failed" (connection lost mid-upload)
//   token        path part of the current upload address
//   received, expected   bytes of the current or last upload
//   rebootUntilMs        steady-clock time the device comes back
//   reason       why the last upload was refused or failed
#include "Device/DeviceState.h"

#include <cstdint>
#include <string>

namespace OnvifSim {

// Description member "firmware" (all optional).
struct CFirmwareOptions {
    bool enabled = true;              // run the upload endpoint
    int rebootSeconds = 3;            // connections are dropped this long after a good image
    uint64_t maxBytes = 256ull << 20; // larger images are refused before their body
    std::string uploadDelay = "PT0S";
    uint64_t dropAfterBytes = 0;      // >0: the device closes the upload after this many body bytes
    bool auth = true;                 // the upload needs Digest credentials of an administrator
    bool silentAccept = false;        // a good image is not answered: the device just closes and reboots
};

bool ReadFirmwareOptions(const Json::Value& description, CFirmwareOptions& out, std::string& error);

constexpr const char* kFirmwarePathPrefix = "/onvif/firmware/";
// Where the running upload endpoint's port is kept in the live description.
constexpr const char* kFirmwarePortMember = "x-firmwareUploadPort";

// A new upload address path for StartFirmwareUpgrade; the state becomes "Ready".
std::string IssueUploadPath(CDeviceState& state);
bool IsCurrentUploadPath(const CDeviceState& state, const std::string& path);

void MarkReceiving(CDeviceState& state, uint64_t expected);
void MarkReceived(CDeviceState& state, uint64_t received);
void MarkFailed(CDeviceState& state, const std::string& state_, const std::string& reason);
// Checks a whole image by its first bytes; on success the device reports the image's
// version and reboots. False with the reason otherwise (the state becomes "Refused").
bool AcceptImage(CDeviceState& state, const std::string& head, uint64_t size, std::string& reason);

// True while a reboot lasts (the device answers nothing then).
bool IsRebooting(CDeviceState& state);
// The "firmware" record above, "Rebooting" turned into "Done" once the time is up.
Json::Value FirmwareStatus(CDeviceState& state);

} // namespace OnvifSim
