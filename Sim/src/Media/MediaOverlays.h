#pragma once
// On-screen displays and privacy masks of the video source configurations. Both live in the
// media state, so Media and Media2 share one list, a factory reset brings back the described
// ones, and the device's maximum holds however an overlay was made. Layout:
//   osd    {enabled, maximum: {Total, PlainText, Date, Time, DateAndTime, Image} (Total always),
//           fontSizeRange [min, max], imagePaths [], items [OSD], next}
//   OSD    {token, configToken, type Text|Image, position UpperLeft|UpperRight|LowerLeft|LowerRight|Custom,
//           x, y (Custom only), textType Plain|Date|Time|DateAndTime, text, dateFormat, timeFormat,
//           fontSize, fontColor [X, Y, Z] or null, imagePath}
//   masks  {enabled, maxMasks, maxPoints, types [], rectangleOnly, singleColorOnly, items [Mask], next}
//   Mask   {token, configToken, points [[x, y] ...], type Color|Pixelated|Blurred, color [X, Y, Z] or null,
//           enabled}
// Coordinates are normalised (-1 .. 1); colours are RGB 0 .. 255.
#include <json/value.h>

#include <string>
#include <vector>

namespace OnvifSim {

const std::vector<std::string>& OsdDateFormats();
const std::vector<std::string>& OsdTimeFormats();
const std::vector<std::string>& OsdPositions();

// Empty when the OSD fits what the device can show, else the reason.
std::string OsdProblem(const Json::Value& osdState, const Json::Value& osd);
// Empty when one more OSD of this kind fits on its configuration, else the reason.
// `replacing` is the token of an OSD being changed (it does not count against itself).
std::string OsdRoomProblem(const Json::Value& osdState, const Json::Value& osd, const std::string& replacing);
std::string MaskProblem(const Json::Value& maskState, const Json::Value& mask);
std::string MaskRoomProblem(const Json::Value& maskState, const Json::Value& mask, const std::string& replacing);

// "OSD_3", "Mask_2" ...: a token no item of the list has, from the list's counter.
std::string NewOverlayToken(Json::Value& state, const char* prefix);
Json::Value* FindOverlay(Json::Value& state, const std::string& token);
void RemoveOverlay(Json::Value& state, const std::string& token);

} // namespace OnvifSim
