#pragma once
// The shipped recorder as the recording tests use it: its description with a fixed history,
// 1 March 2026 from midnight to midnight UTC with nothing from 10:00 to 11:00.
#include <json/reader.h>
#include <json/value.h>

#include <gtest/gtest.h>

#include <fstream>

#include "OnvifSim/SimServer.h"

namespace SimTest {

inline Json::Value FixedRecorderDescription()
{
    std::ifstream in(OnvifSim::DevicesDir() + "/recorder-2ch-playback.json");
    Json::Value json;
    Json::CharReaderBuilder builder;
    std::string errors;
    EXPECT_TRUE(Json::parseFromStream(builder, in, &json, &errors)) << errors;
    Json::Value& r = json["recordings"];
    r["from"] = "2026-03-01T00:00:00Z";
    r["until"] = "2026-03-02T00:00:00Z";
    r["gaps"] = Json::Value(Json::arrayValue);
    r["gaps"][0][0] = "2026-03-01T10:00:00Z";
    r["gaps"][0][1] = "2026-03-01T11:00:00Z";
    return json;
}

// 2026-03-01T00:00:00Z plus a time of day, in ms.
inline long long ClockMs(int hour, int minute, int second, int ms = 0)
{
    return (1772323200LL + hour * 3600 + minute * 60 + second) * 1000 + ms;
}

} // namespace SimTest
