// Description loading: the shipped files load, and a wrong description is refused with
// "source: member: reason" instead of a device that behaves oddly.
#include "SimTestClient.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

using namespace SimTest;

namespace {

TEST(SimDescription, ShippedCameraLoads)
{
    OnvifSim::CDeviceDescription d;
    std::string error;
    ASSERT_TRUE(OnvifSim::LoadDescriptionFile(OnvifSim::DevicesDir() + "/camera-1ch-media.json", d, error)) << error;
    EXPECT_EQ(d.services.count("media"), 1u);
    EXPECT_EQ(d.services.count("media2"), 0u);
    EXPECT_EQ(d.prefixes.at("http://www.onvif.org/ver10/schema"), "tt");
    EXPECT_EQ(d.authMode, OnvifSim::EAuthMode::Either);
    EXPECT_EQ(d.transfer, OnvifSim::ETransfer::ContentLength);
    EXPECT_TRUE(d.raw["channels"].isArray());
}

TEST(SimDescription, FileErrorsNameTheFile)
{
    std::string path = ::testing::TempDir() + "sim_bad_description.json";
    std::ofstream(path) << "{ \"name\": \"x\", ";
    OnvifSim::CDeviceDescription d;
    std::string error;
    EXPECT_FALSE(OnvifSim::LoadDescriptionFile(path, d, error));
    EXPECT_EQ(error.rfind(path + ": invalid JSON", 0), 0u) << error;
    EXPECT_FALSE(OnvifSim::LoadDescriptionFile(path + ".missing", d, error));
    EXPECT_NE(error.find("cannot open"), std::string::npos);
    std::remove(path.c_str());
}

struct CBadCase {
    const char* name;
    const char* member;      // JSON path to set
    Json::Value value;
    const char* expected;    // substring of the error
};

class SimDescriptionInvalid : public ::testing::TestWithParam<CBadCase> {};

TEST_P(SimDescriptionInvalid, IsRefusedWithReason)
{
    const CBadCase& c = GetParam();
    Json::Value d = BaseDescription();
    std::string member = c.member;
    size_t dot = member.find('.');
    if (dot == std::string::npos)
        d[member] = c.value;
    else
        d[member.substr(0, dot)][member.substr(dot + 1)] = c.value;
    OnvifSim::CDeviceDescription out;
    std::string error;
    EXPECT_FALSE(OnvifSim::LoadDescription(d, out, error, "cam.json"));
    EXPECT_EQ(error.rfind("cam.json: ", 0), 0u) << error;
    EXPECT_NE(error.find(c.expected), std::string::npos) << error;
}

Json::Value Users(const char* level)
{
    Json::Value users(Json::arrayValue);
    Json::Value u;
    u["name"] = "a";
    u["password"] = "b";
    u["level"] = level;
    users.append(u);
    return users;
}

INSTANTIATE_TEST_SUITE_P(Cases, SimDescriptionInvalid, ::testing::Values(
    CBadCase{"UnknownMember", "colour", "red", "colour: unknown member"},
    CBadCase{"UnknownService", "services.teleport", Json::Value(), "services.teleport: unknown service"},
    CBadCase{"NoDeviceService", "services", Json::Value(Json::arrayValue), "the device service is required"},
    CBadCase{"BadPreset", "namespacePrefixes", "xyz", "unknown preset"},
    CBadCase{"BadAuthMode", "auth.mode", "kerberos", "auth.mode: \"kerberos\" is not one of"},
    CBadCase{"BadRefusal", "auth.refusal", "http418", "auth.refusal"},
    CBadCase{"BadLevel", "users", Users("Root"), "users[0].level"},
    CBadCase{"BadTimezone", "timezone", "Mars/Olympus", "timezone"},
    CBadCase{"BadTransfer", "transfer", "pigeon", "transfer"},
    CBadCase{"OffsetNotNumber", "clockOffsetSeconds", "soon", "clockOffsetSeconds: must be an integer"},
    CBadCase{"NoUsersButAuth", "users", Json::Value(Json::arrayValue), "needs at least one user"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SimDescription, DigestOnlyMustChallengeAndFaultsAreChecked)
{
    Json::Value d = BaseDescription();
    d["auth"]["mode"] = "digest";
    d["auth"]["refusal"] = "fault500";
    OnvifSim::CDeviceDescription out;
    std::string error;
    EXPECT_FALSE(OnvifSim::LoadDescription(d, out, error));
    EXPECT_NE(error.find("digest-only"), std::string::npos) << error;

    d = BaseDescription();
    Json::Value fault;
    fault["kind"] = "explode";
    d["faults"].append(fault);
    EXPECT_FALSE(OnvifSim::LoadDescription(d, out, error));
    EXPECT_NE(error.find("faults[0].kind"), std::string::npos) << error;
}

TEST(SimDescription, PresetsAndOverrides)
{
    Json::Value d = BaseDescription();
    d["namespacePrefixes"]["preset"] = "ns";
    d["namespacePrefixes"]["overrides"]["http://www.onvif.org/ver10/schema"] = "onvif";
    OnvifSim::CDeviceDescription out;
    std::string error;
    ASSERT_TRUE(OnvifSim::LoadDescription(d, out, error)) << error;
    EXPECT_EQ(out.prefixes.at("http://www.onvif.org/ver10/schema"), "onvif");
    EXPECT_EQ(out.prefixes.at("http://www.w3.org/2003/05/soap-envelope"), "ns0");

    d["namespacePrefixes"]["overrides"]["http://www.onvif.org/ver10/device/wsdl"] = "onvif";
    EXPECT_FALSE(OnvifSim::LoadDescription(d, out, error));
    EXPECT_NE(error.find("prefix \"onvif\" used for both"), std::string::npos) << error;
}

} // namespace
