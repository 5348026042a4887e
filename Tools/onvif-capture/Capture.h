#pragma once
// onvif-capture's whole run: log in, ask the device every read-only operation the library
// knows, clean the answers and write them as a replay folder.
#include <ostream>

#include "CaptureOptions.h"

namespace OnvifCapture {

// Progress notes and the summary line go to `out`; a failure is one line on `err`.
// Returns the process exit code: 0 written, 1 nothing usable (unreachable, refused
// credentials, a folder that cannot take the capture, a device that stopped answering).
int RunCapture(const CCaptureOptions& options, std::ostream& out, std::ostream& err);

} // namespace OnvifCapture
