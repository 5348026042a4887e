// The host's PTZ numbering and coordinates: preset and tour tables following the device,
// tour points turned into spots, durations, the coordinate conversions with their
// clamping and seam, and the imaging scale.
#include <gtest/gtest.h>

#include <json/json.h>

#include "Components/Ptz/OnvifPtzCoordinates.h"
#include "OnvifFramework/FunctionScripts/OnvifImagingScale.h"
#include "OnvifFramework/FunctionScripts/OnvifPtzTables.h"

using namespace RPC::Onvif;

namespace {

Json::Value parse(const std::string& text)
{
    Json::Value v;
    Json::CharReaderBuilder builder;
    std::string errors;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    EXPECT_TRUE(reader->parse(text.data(), text.data() + text.size(), &v, &errors)) << text;
    return v;
}

Json::Value devicePresets(std::initializer_list<const char*> tokens)
{
    Json::Value list(Json::arrayValue);
    for (const char* token : tokens) {
        Json::Value p;
        p["token"] = token;
        p["Name"] = std::string("n-") + token;
        p["Position"]["PanTilt"]["x"] = 0.5;
        list.append(p);
    }
    return list;
}

// "Index:Token" of the host list, for compact expectations.
std::string numbering(const Json::Value& host)
{
    std::string out;
    for (const Json::Value& slot : host)
        out += (out.empty() ? "" : " ") + std::to_string(slot["Index"].asInt()) + ":" + slot["Token"].asString();
    return out;
}

TEST(PtzTables, PresetsKeepTheirNumbersAsLongAsTheDeviceKeepsTheirTokens)
{
    Json::Value table = parse(R"({"ProfileToken":"P1","Preset":[
        {"Enable":true,"Index":1,"Token":"a"}, {"Enable":false}, null,
        {"Enable":true,"Index":4,"Token":"pos-d"}, {"Enable":true,"Index":5,"Token":"gone"}]})");
    const struct {
        const char* what;
        Json::Value device;
        unsigned max;
        const char* expected;
    } cases[] = {
        // Slot 4 keeps "pos-d" though earlier ones were deleted; new ones fill 2, 3, then 5.
        {"known kept, dropped freed, new placed in order", devicePresets({"x", "pos-d", "a", "y", "z"}), 8,
         "1:a 2:x 3:y 4:pos-d 5:z"},
        {"no free number below the maximum", devicePresets({"x", "pos-d", "a", "y", "z"}), 3, "1:a 2:x 3:y 4:pos-d"},
        {"a node that could not be read numbers nothing new", devicePresets({"x", "pos-d"}), 0, "4:pos-d"},
        {"the device has none", Json::Value(Json::arrayValue), 8, ""},
    };
    for (const auto& c : cases) {
        Json::Value t = table;
        EXPECT_EQ(numbering(PtzTables::reconcilePresets(t, c.device, c.max)), c.expected) << c.what;
        EXPECT_EQ(t["ProfileToken"].asString(), "P1") << c.what;
    }
    Json::Value t = table;
    const Json::Value host = PtzTables::reconcilePresets(t, devicePresets({"pos-d"}), 8);
    EXPECT_EQ(host[0]["Name"].asString(), "n-pos-d");
    EXPECT_EQ(host[0]["Position"], parse("[0.5, 0.0, 0.0]"));
    EXPECT_FALSE(t["Preset"][0]["Enable"].asBool()) << "a deleted preset frees its number";
}

TEST(PtzTables, ToursPointAtPresetSlotsAndBackAtTokens)
{
    const Json::Value presets = parse(R"({"Preset":[{"Enable":true,"Token":"p1"}, {"Enable":false,"Token":"p2"},
                                                    {"Enable":true,"Token":"p3"}]})");
    const Json::Value device = parse(R"([{"Token":"T9","Name":"Round","TourSpot":[
        {"PresetDetail":{"PresetToken":"p3"},"StayTime":"PT1M5S"},
        {"PresetDetail":{"PresetToken":"p2"},"StayTime":"PT5S"},
        {"PresetDetail":{"PresetToken":"p1"},"StayTime":"PT10S"}]}])");
    Json::Value tours(Json::objectValue);
    const Json::Value host = PtzTables::reconcileTours(tours, presets, device, 4);
    ASSERT_EQ(host.size(), 1u);
    EXPECT_EQ(host[0]["Index"].asInt(), 1);
    // The spot of a disabled preset is left out; stays are seconds; device points carry 7.
    EXPECT_EQ(host[0]["Presets"], parse("[[2, 65, 7], [0, 10, 7]]"));

    Json::Value spots;
    ASSERT_TRUE(PtzTables::tourSpots(host[0], presets, spots));
    EXPECT_EQ(spots, parse(R"([{"PresetDetail":{"PresetToken":"p3"},"StayTime":"PT65S"},
                              {"PresetDetail":{"PresetToken":"p1"},"StayTime":"PT10S"}])"));
    Json::Value broken = host[0];
    broken["Presets"].append(parse("[1, 5, 0]"));
    EXPECT_FALSE(PtzTables::tourSpots(broken, presets, spots)) << "a point at a disabled preset";
}

TEST(PtzCoordinates, HostPositionsBecomeOnvifPositions)
{
    const struct {
        double pan, tilt, zoom;
        double onvifPan, onvifTilt, onvifZoom;
    } cases[] = {
        {0.5, 2.0, -0.1, 0.5, 1.0, 0.0},     // tilt and zoom clamped
        {0.0, 0.0, 0.5, 1.0, 0.0, 0.5},      // host 0 is the seam
        {1.0, -1.0, 1.0, 0.0, -1.0, 1.0},
        {-1.0, 0.0, 0.0, 0.0, 0.0, 0.0},
        {0.25, 0.0, 0.0, 0.75, 0.0, 0.0},
        {-0.25, 0.0, 0.0, -0.75, 0.0, 0.0},
        {3.0, 0.0, 2.0, 0.0, 0.0, 1.0},      // pan clamped before the seam turn
        {-7.0, 0.0, 0.0, 0.0, 0.0, 0.0},
    };
    for (const auto& c : cases) {
        const PtzCoordinates::Position p = PtzCoordinates::hostToOnvif(c.pan, c.tilt, c.zoom);
        EXPECT_DOUBLE_EQ(p.pan, c.onvifPan) << c.pan;
        EXPECT_DOUBLE_EQ(p.tilt, c.onvifTilt) << c.tilt;
        EXPECT_DOUBLE_EQ(p.zoom, c.onvifZoom) << c.zoom;
    }
}

TEST(PtzCoordinates, ScreenPointsBecomeFieldOfViewTranslations)
{
    const struct {
        double x, y, fovX, fovY;
    } cases[] = {{0.5, 0.5, 0, 0}, {0, 0, -1, 1}, {1, 1, 1, -1}, {-3, 4, -1, -1}, {0.75, 0.25, 0.5, 0.5}};
    for (const auto& c : cases) {
        double fx = 9, fy = 9;
        PtzCoordinates::screenToFov(c.x, c.y, fx, fy);
        EXPECT_DOUBLE_EQ(fx, c.fovX) << c.x;
        EXPECT_DOUBLE_EQ(fy, c.fovY) << c.y;
    }
}

TEST(PtzCoordinates, DeviceTimes)
{
    long long s = 0;
    ASSERT_TRUE(PtzCoordinates::utcSeconds("2024-01-02T03:04:05Z", s));
    EXPECT_EQ(s, 1704164645);
    ASSERT_TRUE(PtzCoordinates::utcSeconds("1970-01-01 00:00:00", s));
    EXPECT_EQ(s, 0);
    EXPECT_FALSE(PtzCoordinates::utcSeconds("", s));
    EXPECT_FALSE(PtzCoordinates::utcSeconds("2024-13-02T03:04:05Z", s));
    EXPECT_FALSE(PtzCoordinates::utcSeconds("yesterday", s));
}

TEST(ImagingScale, EndsAreExactAndTheMiddleGetsHalfAStep)
{
    EXPECT_DOUBLE_EQ(imagingToHost(128, 0, 255), 100.0 * 128 / 255 + 0.5);
    EXPECT_DOUBLE_EQ(imagingToHost(32, 0, 64), 50.5);
    EXPECT_DOUBLE_EQ(imagingToHost(0, 0, 64), 0.0);
    EXPECT_DOUBLE_EQ(imagingToHost(64, 0, 64), 100.0);
    EXPECT_DOUBLE_EQ(imagingToHost(37, 0, 100), 37.0) << "0..100 passes through";
    EXPECT_DOUBLE_EQ(imagingToDevice(37, 0, 100), 37.0);
    EXPECT_DOUBLE_EQ(imagingToDevice(100, -10, 10), 10.0);
    EXPECT_DOUBLE_EQ(imagingToDevice(0, -10, 10), -10.0);
    EXPECT_DOUBLE_EQ(imagingToDevice(50, 0, 255), 255 * 0.5 + 0.5);

    const Json::Value options = parse(R"({"Brightness":{"Min":0,"Max":255},"Focus":{"NearLimit":{"Min":0,"Max":10}},
                                          "Contrast":{"Min":5}})");
    const Json::Value device = parse(R"({"Brightness":255,"Contrast":40,"Focus":{"NearLimit":5,"AutoFocusMode":"AUTO"},
                                         "Exposure":{"Iris":3}})");
    const Json::Value host = scaleImagingSettings(device, options, true);
    EXPECT_EQ(host["Brightness"].asDouble(), 100.0);
    EXPECT_EQ(host["Focus"]["NearLimit"].asDouble(), 50.5);
    EXPECT_EQ(host["Contrast"].asDouble(), 40.0) << "a range without Max leaves the value alone";
    EXPECT_EQ(host["Exposure"]["Iris"].asDouble(), 3.0) << "not on the host's scale";
    EXPECT_EQ(host["Focus"]["AutoFocusMode"].asString(), "AUTO");
    EXPECT_EQ(scaleImagingSettings(host, options, false)["Brightness"].asDouble(), 255.0);
}

} // namespace
