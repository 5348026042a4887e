#pragma once
// Operations of the device management service, grouped by subject in separate files.
#include "Services/ServiceHandler.h"

namespace OnvifSim {

void GetSystemDateAndTime(CCallContext& ctx);
void SetSystemDateAndTime(CCallContext& ctx);

void GetCapabilities(CCallContext& ctx);
void GetServices(CCallContext& ctx);
void GetServiceCapabilities(CCallContext& ctx);
void WriteDeviceServiceCapabilities(CCallContext& ctx, CXmlNode parent);

void GetScopes(CCallContext& ctx);
void SetScopes(CCallContext& ctx);
void AddScopes(CCallContext& ctx);
void RemoveScopes(CCallContext& ctx);

// Reads a whole decimal integer; false for anything else.
bool ParseDecimal(const std::string& text, int& value);

} // namespace OnvifSim
