#pragma once
// The analytics of each video analytics configuration: its modules (a cell motion engine
// with the motion grid, a tamper engine) and its rules (a cell motion detector watching
// every cell, a tamper detector over the whole picture), as a camera ships them.
//
// The state is JSON in CDeviceState::serviceData["analytics"], one member per analytics
// configuration token: {modules: [record], rules: [record]}, a record being
// {name, type (local name in the schema namespace), items: [{name, value}],
// layout: {columns, rows} (cell motion engine), field: [[x, y], ...] (tamper detector)}.
// It is made from the media configuration on first use, so a factory reset (which clears
// serviceData) brings back the described grid. Media's view of the configuration is
// written from this same state.
#include "Device/DeviceState.h"
#include "Soap/XmlAnswer.h"

#include <json/value.h>

#include <string>

namespace OnvifSim {

// The analytics of a media analytics configuration ({token, motion {...}}).
Json::Value& AnalyticsOf(CDeviceState& state, const Json::Value& config);

// A module or rule record written under its element (tt:AnalyticsModule, tt:Rule, or the
// service's own) with its parameters.
void WriteAnalyticsRecord(CXmlNode element, const Json::Value& record);

// The cell bitmap of ActiveCells: base64 of PackBits of one bit per cell, row-major, the
// first cell in the most significant bit.
std::string PackBits(const std::string& raw);
bool UnpackBits(const std::string& packed, std::string& raw);

} // namespace OnvifSim
