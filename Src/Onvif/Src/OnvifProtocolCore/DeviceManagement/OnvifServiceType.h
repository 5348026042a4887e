#pragma once
// The name under which a service address is kept ("Device", "Media2", "DeviceIO", ...),
// derived from the namespace URI a device lists for the service in GetServices.
namespace RPC {
namespace Onvif {

// Case-insensitive; "Unknown" when nothing matches, also for a null namespace.
const char* getServiceTypeByNamespace(const char* ns);

} // namespace Onvif
} // namespace RPC
