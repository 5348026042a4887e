#pragma once
// The device's firmware upload endpoint: the address StartFirmwareUpgrade hands out takes
// one HTTP POST of the image on its own port.
//
// Unlike the SOAP port it answers as soon as the request head is in, when it has to refuse
// (a Digest challenge, an unknown address, an image larger than the device takes), so an
// uploader never sends a body in vain; a body is counted as it arrives, never held whole.
// After a good image the device answers 200, closes, and reboots (FirmwareState.h).
#include "Http/HttpListener.h"

#include <memory>

namespace OnvifSim {

class CDeviceCore;

// Sessions for a CHttpListener on the upload port of the device behind `core`.
CHttpListener::FSessionStarter FirmwareUploadSessions(std::shared_ptr<CDeviceCore> core);

} // namespace OnvifSim
