// The host forms of encoder configurations and options, and the way a host change is
// written back into the device's configuration.
#include <gtest/gtest.h>

#include "OnvifFramework/FunctionScripts/OnvifEncoderConversions.h"

using namespace RPC::Onvif;

namespace {

Json::Value parse(const std::string& text)
{
    Json::Value v;
    Json::CharReaderBuilder builder;
    std::string errors;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    EXPECT_TRUE(reader->parse(text.data(), text.data() + text.size(), &v, &errors)) << errors;
    return v;
}

// Media-shaped options: one quality range for all, bit-rate ranges in the extension.
Json::Value mediaOptions()
{
    Json::Value options = parse(R"({"VideoConfigurationToken": "venc1", "Options": {
        "QualityRange": {"Min": 0, "Max": 100},
        "H264": {"ResolutionsAvailable": [{"Width": 1920, "Height": 1080}, {"Width": 1280, "Height": 720},
                                          {"Width": 1000, "Height": 1000}],
                 "FrameRateRange": {"Min": 1, "Max": 25}, "GovLengthRange": {"Min": 1, "Max": 100},
                 "EncodingIntervalRange": {"Min": 1, "Max": 4}, "H264ProfilesSupported": ["Baseline", "Main"]},
        "JPEG": {"ResolutionsAvailable": [{"Width": 704, "Height": 576}], "FrameRateRange": {"Min": 1, "Max": 30}},
        "Extension": {"H264": {"BitrateRange": {"Min": 32, "Max": 8192}}}}})");
    addResolutionMapping(options, "maker");
    return options;
}

Json::Value deviceConfig()
{
    return parse(R"({"VideoConfigurationToken": "venc1", "Configuration": {
        "token": "venc1", "Encoding": "H264", "Resolution": {"Width": 1920, "Height": 1072}, "Quality": 50,
        "RateControl": {"FrameRateLimit": 25, "EncodingInterval": 1, "BitrateLimit": 4096},
        "H264": {"GovLength": 50, "H264Profile": "Main"},
        "Multicast": {"Address": {"Type": "IPv4", "IPv4Address": ["239.1.1.1"]}, "Port": 0, "TTL": 1, "AutoStart": false}}})");
}

} // namespace

TEST(ScriptsVideoHostForm, ConfigurationReadsInHostTerms)
{
    const Json::Value host = videoConfigToHost(deviceConfig(), mediaOptions(), "maker");
    EXPECT_TRUE(host["VideoEnable"].asBool());
    EXPECT_EQ(host["VideoConfigurationToken"].asString(), "venc1");
    const Json::Value& v = host["Video"];
    EXPECT_EQ(v["Compression"].asString(), "H.264");
    EXPECT_EQ(v["ImageSizeStr"].asString(), "1080P");
    EXPECT_EQ(v["Width"].asInt(), 1920);
    EXPECT_EQ(v["Quality"].asInt(), 3);
    EXPECT_EQ(v["BitRateControl"].asString(), "VBR");
    EXPECT_EQ(v["FPS"].asInt(), 25);
    EXPECT_EQ(v["BitRate"].asInt(), 4096);
    EXPECT_EQ(v["GOP"].asInt(), 50);
    EXPECT_EQ(v["Profile"].asString(), "Main");
}

TEST(ScriptsVideoHostForm, RateControlAndCodecVariants)
{
    Json::Value cfg = deviceConfig();
    cfg["Configuration"]["RateControl"]["ConstantBitRate"] = "TRUE";
    EXPECT_EQ(videoConfigToHost(cfg, mediaOptions(), "")["Video"]["BitRateControl"].asString(), "CBR");

    cfg["Configuration"].removeMember("RateControl");
    const Json::Value noRate = videoConfigToHost(cfg, mediaOptions(), "")["Video"];
    EXPECT_EQ(noRate["BitRateControl"].asString(), "VBR");
    EXPECT_FALSE(noRate.isMember("FPS"));

    // The Media reader names the MPEG4 profile "Mpeg4Profile".
    Json::Value mpeg4 = parse(R"({"Configuration": {"Encoding": "MPEG4", "MPEG4": {"GovLength": 12, "Mpeg4Profile": "SP"}}})");
    const Json::Value v = videoConfigToHost(mpeg4, Json::Value(), "")["Video"];
    EXPECT_EQ(v["GOP"].asInt(), 12);
    EXPECT_EQ(v["Profile"].asString(), "SP");
    EXPECT_FALSE(v.isMember("Quality"));   // no options, no scale to read it on
}

TEST(ScriptsVideoHostForm, OptionsReadInHostTerms)
{
    const Json::Value host = videoOptionsToHost(mediaOptions(), "maker");
    EXPECT_EQ(host["CompressionTypes"], parse(R"(["H.264", "MJPG"])"));
    EXPECT_EQ(host["BitRateOptions"], parse("[32, 8192]"));
    EXPECT_EQ(host["BitRateControl"], parse(R"(["VBR"])"));
    EXPECT_EQ(host["FPSMax"].asInt(), 30);
    EXPECT_EQ(host["IndividualResolution"]["H.264"], parse(R"(["1080P", "720P", "1000x1000"])"));
    EXPECT_EQ(host["IndividualResolution"]["MJPG"], parse(R"(["D1"])"));
    EXPECT_EQ(host["ResolutionTypes"], parse(R"(["1080P", "720P", "1000x1000", "D1"])"));
    EXPECT_EQ(host["H264Profile"], parse(R"(["Baseline", "Main"])"));
    EXPECT_EQ(host["VideoConfigurationToken"].asString(), "venc1");
    EXPECT_EQ(mediaOptions()["ResMapping"]["H264"]["720P"].asString(), "1280x720");
}

TEST(ScriptsVideoHostForm, BitRateOptionsOnlyForAUsableRangeAndCbrWhenSupported)
{
    struct Case {
        int min, max;
        bool present;
    } cases[] = {{1, 2, true}, {0, 100, false}, {50, 50, false}, {100, 10, false}};
    for (const Case& c : cases) {
        Json::Value options;
        options["Options"]["H265"]["BitrateRange"]["Min"] = c.min;
        options["Options"]["H265"]["BitrateRange"]["Max"] = c.max;
        options["Options"]["H265"]["ConstantBitRateSupported"] = true;
        const Json::Value host = videoOptionsToHost(options, "");
        EXPECT_EQ(host.isMember("BitRateOptions"), c.present) << c.min << ".." << c.max;
        EXPECT_EQ(host["BitRateControl"], parse(R"(["VBR", "CBR"])"));
        EXPECT_EQ(host["CompressionTypes"], parse(R"(["H.265"])"));
    }
}

TEST(ScriptsVideoApply, HostChangesLandInTheDeviceConfigurationWithinRange)
{
    Json::Value cfg = deviceConfig()["Configuration"];
    applyHostVideo(parse(R"({"Compression": "H.264", "ImageSizeStr": "720P", "Quality": 6, "BitRateControl": "VBR",
                             "FPS": 60, "IFrameInterval": 0, "BitRate": 2048, "GOP": 500, "Profile": "Baseline"})"),
                   mediaOptions(), cfg);
    EXPECT_EQ(cfg["Encoding"].asString(), "H264");
    EXPECT_EQ(cfg["Resolution"]["Width"].asInt(), 1280);
    EXPECT_EQ(cfg["Resolution"]["Height"].asInt(), 720);
    EXPECT_EQ(cfg["Quality"].asInt(), 100);
    EXPECT_FALSE(cfg["RateControl"]["ConstantBitRate"].asBool());
    EXPECT_EQ(cfg["RateControl"]["FrameRateLimit"].asInt(), 25);
    EXPECT_EQ(cfg["RateControl"]["EncodingInterval"].asInt(), 1);
    EXPECT_EQ(cfg["RateControl"]["BitrateLimit"].asInt(), 2048);
    EXPECT_EQ(cfg["H264"]["GovLength"].asInt(), 100);
    EXPECT_EQ(cfg["H264"]["H264Profile"].asString(), "Baseline");
    // Multicast is carried over, its address list flattened to what the writer takes.
    EXPECT_EQ(cfg["Multicast"]["Address"]["IPv4Address"].asString(), "239.1.1.1");
    EXPECT_EQ(cfg["Multicast"]["TTL"].asInt(), 1);
}

TEST(ScriptsVideoApply, CbrLeavesQualityAndUnknownValuesAreLeftOut)
{
    Json::Value cfg = deviceConfig()["Configuration"];
    applyHostVideo(parse(R"({"ImageSizeStr": "8M", "Quality": 1, "BitRateControl": "CBR", "Profile": "High"})"),
                   mediaOptions(), cfg);
    EXPECT_EQ(cfg["Quality"].asInt(), 50);
    EXPECT_TRUE(cfg["RateControl"]["ConstantBitRate"].asBool());
    EXPECT_EQ(cfg["Resolution"]["Height"].asInt(), 1072);   // unknown name: resolution untouched
    EXPECT_EQ(cfg["H264"]["H264Profile"].asString(), "Main"); // unsupported profile not sent

    Json::Value explicitSize = deviceConfig()["Configuration"];
    applyHostVideo(parse(R"({"Width": 1000, "Height": 1000, "ImageSizeStr": "720P"})"), mediaOptions(), explicitSize);
    EXPECT_EQ(explicitSize["Resolution"]["Width"].asInt(), 1000);
    EXPECT_FALSE(explicitSize["RateControl"].isMember("ConstantBitRate"));

    Json::Value broken = mediaOptions();
    broken["ResMapping"]["H264"]["720P"] = "1280*720";
    Json::Value unparsable = deviceConfig()["Configuration"];
    applyHostVideo(parse(R"({"ImageSizeStr": "720P"})"), broken, unparsable);
    EXPECT_EQ(unparsable["Resolution"]["Width"].asInt(), 1920);
}

TEST(ScriptsVideoApply, Media2CarriesGopAndProfileOnTheConfiguration)
{
    Json::Value h264 = deviceConfig()["Configuration"];
    liftMedia2CodecMembers(h264, "venc1");
    EXPECT_EQ(h264["Token"].asString(), "venc1");
    EXPECT_EQ(h264["GovLength"].asInt(), 50);
    EXPECT_EQ(h264["Profile"].asString(), "Main");

    Json::Value jpeg = parse(R"({"Encoding": "JPEG", "H264": {"GovLength": 5, "H264Profile": "Main"}})");
    liftMedia2CodecMembers(jpeg, "venc2");
    EXPECT_EQ(jpeg["Token"].asString(), "venc2");
    EXPECT_FALSE(jpeg.isMember("GovLength"));
    EXPECT_FALSE(jpeg.isMember("Profile"));
}

TEST(ScriptsAudioHostForm, ReadAndWriteBack)
{
    const Json::Value device = parse(R"({"AudioConfigurationToken": "aenc1", "Configuration": {
        "token": "aenc1", "Encoding": "G711", "Bitrate": 64, "SampleRate": 8}})");
    const Json::Value host = audioConfigToHost(device);
    EXPECT_TRUE(host["AudioEnable"].asBool());
    EXPECT_EQ(host["AudioConfigurationToken"].asString(), "aenc1");
    EXPECT_EQ(host["Audio"]["Compression"].asString(), "G.711Mu");
    EXPECT_EQ(host["Audio"]["Frequency"].asInt(), 8000);

    const Json::Value options = parse(R"({"Options": [
        {"Encoding": "G711", "SampleRateList": {"Items": [8]}, "BitrateList": {"Items": [64]}},
        {"Encoding": "AAC", "SampleRateList": {"Items": [16, 32]}, "BitrateList": {"Items": [32, 64]}}]})");
    Json::Value cfg = device["Configuration"];
    applyHostAudio(parse(R"({"Compression": "AAC", "Frequency": 16000})"), options, cfg);
    EXPECT_EQ(cfg["Encoding"].asString(), "AAC");
    EXPECT_EQ(cfg["SampleRate"].asInt(), 16);

    applyHostAudio(parse(R"({"Compression": "G.726"})"), options, cfg);   // not offered
    EXPECT_EQ(cfg["Encoding"].asString(), "AAC");

    const Json::Value hostOptions = audioOptionsToHost(options);
    EXPECT_EQ(hostOptions["CompressionTypes"], parse(R"(["G.711Mu", "AAC"])"));
    EXPECT_EQ(hostOptions["AudioOptions"][1]["Frequency"], parse("[16000, 32000]"));
}
