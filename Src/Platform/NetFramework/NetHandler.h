#pragma once
// The network handler the library's session wrappers derive from: an identity that network
// sessions post their notifications to, and the close protocol. The RTSP session's message
// handler is that handler; this is its name on the network-framework side.
#include "Stream/Rtsp/MsgHandler.h"

namespace Zentar {
namespace NetFramework {

using CNetHandler = Zentar::StreamApp::CMsgHandler;

} // namespace NetFramework
} // namespace Zentar
