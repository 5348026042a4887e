// The media composites against the simulator under every "MediaType" option, on a camera
// with Media2 and on one with Media only: which service answers, and that the host gets
// the same records either way.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "OnvifFramework/FunctionScripts/OnvifFunctionScripts.h"
#include "OnvifFramework/InfoCenter/OnvifInfoCenter.h"
#include "OnvifFramework/Utility/OnvifBaseComm.h"
#include "OnvifSim/DeviceDescription.h"
#include "OnvifSim/SimDevice.h"
#include "OnvifSim/SimServer.h"

using namespace RPC::Onvif;

namespace {

enum class Service { Media, Media2, None };

struct SelectCase {
    const char* device;
    int mediaType;
    Service expected;   // the service that answers; None: the composites fail
};

void PrintTo(const SelectCase& c, std::ostream* os)
{
    *os << c.device << " MediaType " << c.mediaType;
}

const SelectCase kCases[] = {
    {"camera-2ch-media2-h265.json", 0, Service::Media2},
    {"camera-2ch-media2-h265.json", 1, Service::Media},
    {"camera-2ch-media2-h265.json", 2, Service::Media2},
    {"camera-1ch-media.json", 0, Service::Media},
    {"camera-1ch-media.json", 1, Service::Media},
    {"camera-1ch-media.json", 2, Service::None},   // forced Media2 on a device without it
};

class MediaSelectAgainstSim : public ::testing::TestWithParam<SelectCase> {
protected:
    void SetUp() override
    {
        const SelectCase& c = GetParam();
        COnvifBaseComm::instance()->resetOptions();
        Json::Value options;
        options["MediaType"] = c.mediaType;
        ASSERT_TRUE(COnvifBaseComm::instance()->setOnvifOptionCfg(options));
        std::string error;
        ASSERT_TRUE(OnvifSim::LoadDescriptionFile(OnvifSim::DevicesDir() + "/" + c.device, m_description, error))
            << error;
        m_device = m_server.addDevice(m_description, &error);
        ASSERT_TRUE(m_device) << error;
        m_info.address = "127.0.0.1";
        m_info.port = m_device->port();
        m_info.userName = m_description.users.at(0).name;
        m_info.password = m_description.users.at(0).password;
        COnvifInfoCenter::instance()->setCacheValid(m_info, INFO_SLOT_COUNT, 0);
        // The profiles come from whichever service is selected, as at login.
        Json::Value request, result;
        m_profilesRead = getProfiles(m_info, request, result);
        m_device->clearRequests();
    }
    void TearDown() override { COnvifBaseComm::instance()->resetOptions(); }

    // Requests that reached each media service since the last clear.
    int requestsTo(const std::string& serviceKey) const
    {
        const std::string path = m_device->serviceUrl(serviceKey);
        int n = 0;
        for (const OnvifSim::CRecordedRequest& r : m_device->requests())
            n += !path.empty() && path.size() >= r.path.size() &&
                 path.compare(path.size() - r.path.size(), r.path.size(), r.path) == 0;
        return n;
    }

    Json::Value mainProfile()
    {
        Json::Value profile(Json::objectValue);
        profile["RemoteChannel"] = 0;
        profile["StreamType"] = 0;
        EXPECT_TRUE(COnvifInfoCenter::instance()->getProfile(m_info, profile));
        return profile;
    }

    OnvifSim::CSimServer m_server;
    OnvifSim::CDeviceDescription m_description;
    std::shared_ptr<OnvifSim::CSimDevice> m_device;
    ServerInfo m_info;
    bool m_profilesRead = false;
};

using Composite = bool (*)(const ServerInfo&, Json::Value&, Json::Value&);

TEST_P(MediaSelectAgainstSim, EncoderAndSourceCompositesUseTheSelectedService)
{
    const SelectCase& c = GetParam();
    if (c.expected == Service::None) {
        Json::Value request, result;
        EXPECT_FALSE(getVideoSourceCfgs(m_info, request, result));
        EXPECT_EQ(0, m_device->requestCount()) << "no Media2 address: nothing may be sent";
        return;
    }
    ASSERT_TRUE(m_profilesRead);
    const Json::Value profile = mainProfile();
    const std::string videoToken = profile["VideoEncoderConfiguration"]["token"].asString();
    const std::string audioToken = profile["AudioEncoderConfiguration"]["token"].asString();
    const std::string profileToken = profile["token"].asString();
    ASSERT_FALSE(videoToken.empty());

    const struct {
        const char* name;
        Composite run;
        const char* key;        // request member and value
        std::string value;
        const char* resultKey;  // what the host must get
    } steps[] = {
        {"getVideoEncoderCfg", &getVideoEncoderCfg, "VideoConfigurationToken", videoToken, "Video"},
        {"getVideoEncoderCfgOptions", &getVideoEncoderCfgOptions, "VideoConfigurationToken", videoToken,
         "CompressionTypes"},
        {"getAudioEncoderCfg", &getAudioEncoderCfg, "AudioConfigurationToken", audioToken, "Audio"},
        {"getAudioEncoderCfgOptions", &getAudioEncoderCfgOptions, "AudioConfigurationToken", audioToken,
         "CompressionTypes"},
        {"getVideoSourceCfgs", &getVideoSourceCfgs, "ProfileToken", "", "Configurations"},
        {"getAudioSourceCfgs", &getAudioSourceCfgs, "ProfileToken", "", "Configurations"},
        {"getCompatibleVideoEncoderCfgs", &getCompatibleVideoEncoderCfgs, "ProfileToken", profileToken,
         "Configurations"},
        {"getCompatibleAudioEncoderCfgs", &getCompatibleAudioEncoderCfgs, "ProfileToken", profileToken,
         "Configurations"},
        {"getMediaServiceCaps", &getMediaServiceCaps, "ProfileToken", "", "Capabilities"},
    };
    const std::string used = c.expected == Service::Media2 ? "media2" : "media";
    const std::string unused = c.expected == Service::Media2 ? "media" : "media2";
    for (const auto& step : steps) {
        if (std::string(step.key) == "AudioConfigurationToken" && step.value.empty())
            continue;   // a camera without audio on this stream
        m_device->clearRequests();
        Json::Value request(Json::objectValue), result(Json::objectValue);
        if (!step.value.empty())
            request[step.key] = step.value;
        ASSERT_TRUE(step.run(m_info, request, result)) << step.name;
        EXPECT_TRUE(result.isMember(step.resultKey)) << step.name << ": " << result.toStyledString();
        EXPECT_GE(requestsTo(used), 1) << step.name;
        EXPECT_EQ(0, requestsTo(unused)) << step.name;
    }

    // The host form is the same from both services: a Media2 "MPV4-ES" or "H265" reads
    // in the host's names, sizes in image-size names.
    Json::Value request(Json::objectValue), video(Json::objectValue);
    request["VideoConfigurationToken"] = videoToken;
    ASSERT_TRUE(getVideoEncoderCfg(m_info, request, video));
    EXPECT_NE("", video["Video"]["Compression"].asString());
    EXPECT_GT(video["Video"]["Width"].asInt(), 0);
    EXPECT_GT(video["Video"]["FPS"].asInt(), 0);
}

// Reading the configuration first, changing one value and reading it back works through
// whichever service is selected.
TEST_P(MediaSelectAgainstSim, EncoderSetIsReadBack)
{
    const SelectCase& c = GetParam();
    if (c.expected == Service::None)
        return;
    ASSERT_TRUE(m_profilesRead);
    Json::Value request(Json::objectValue), result(Json::objectValue);
    request["RemoteChannel"] = 0;
    request["StreamType"] = 1;
    request["Video"]["BitRate"] = 500;   // inside the range of every stream 1 of both cameras
    request["Video"]["FPS"] = 1000;   // clamped into the options' range, not refused
    ASSERT_TRUE(setVideoEncoderCfg(m_info, request, result)) << result.toStyledString();
    Json::Value after(Json::objectValue);
    after["RemoteChannel"] = 0;
    after["StreamType"] = 1;
    ASSERT_TRUE(COnvifInfoCenter::instance()->getVideoEncodeCfgInfo(m_info, after, true));
    EXPECT_EQ(500, after["Video"]["BitRate"].asInt());
    Json::Value options(Json::objectValue);
    options["RemoteChannel"] = 0;
    options["StreamType"] = 1;
    ASSERT_TRUE(COnvifInfoCenter::instance()->getVideoEncodeCapsInfo(m_info, options, true));
    EXPECT_EQ(options["FPSMax"].asInt(), after["Video"]["FPS"].asInt()) << "clamped to the device's maximum";
}

INSTANTIATE_TEST_SUITE_P(DevicesAndOptions, MediaSelectAgainstSim, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<SelectCase>& info) {
                             std::string name = info.param.device;
                             name = name.substr(0, name.find('.'));
                             for (char& ch : name)
                                 if (ch == '-')
                                     ch = '_';
                             return name + "_MediaType" + std::to_string(info.param.mediaType);
                         });

} // namespace
