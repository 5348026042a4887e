#pragma once
// Prefix -> URI tables declared on every request envelope. Devices do not care which
// prefixes we use, but some firmware only accepts a request whose prefixes are all
// declared, so each service sends the set it was tested with.
#include "SOAPFramework/SOAPMessage.h"

namespace RPC {
namespace Onvif {
namespace Namespaces {

using Zentar::SOAPFramework::NSEntry;

// Every table ends with {nullptr, nullptr}.
extern const NSEntry kDevice[];          // base + tds: capabilities, system, security, network, IO
extern const NSEntry kDeviceIO[];        // base + trt, tmd, tds
extern const NSEntry kImaging[];         // base + timg
extern const NSEntry kPtz[];             // base + tptz, trt
extern const NSEntry kRecordingCtl[];    // base with tt before wsnt, + trc
extern const NSEntry kRecordingSearch[]; // same, + tse
extern const NSEntry kReplay[];          // same, + trp
extern const NSEntry kAnalytics[];       // base + tan0, tan1, tan
extern const NSEntry kEvent[];           // WS-BaseNotification set, tev bindings
extern const NSEntry kMedia[];           // Media (ver10) and network interface answers
extern const NSEntry kMedia2[];          // Media2 (ver20)
extern const NSEntry kFull[];            // reboot, factory default, network interfaces requests

// Number of entries before the terminator.
size_t tableSize(const NSEntry* table);
// URI of a prefix in a table, or nullptr.
const char* findUri(const NSEntry* table, const char* prefix);

} // namespace Namespaces
} // namespace Onvif
} // namespace RPC
