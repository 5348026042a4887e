#pragma once
// Media describes a stream by a set-up record (stream kind and transport protocol),
// Media2 by one protocol name; this turns the first into the second.
#include <json/json.h>

#include <string>

namespace RPC {
namespace Onvif {

// The Media2 "Protocol" of a request's "StreamSetup". True with an empty protocol when
// the set-up names none (nothing is set then); false for a set-up Media2 cannot express.
bool media2ProtocolFromSetup(const Json::Value& request, std::string& protocol);

} // namespace Onvif
} // namespace RPC
