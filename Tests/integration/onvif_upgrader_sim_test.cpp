// The firmware upgrader against the simulated camera: an image from memory blocks and from
// a file goes up with its progress and the device reboots into it; a refused image, an
// upload the device drops, a device that challenges the head and one that never answers
// after the body each end in the state a host can act on.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <thread>
#include <string>
#include <vector>

#include "Component/ClientContext.h"
#include "Component/FactoryRegistry.h"
#include "Components/Upgrader/OnvifUpgrader.h"
#include "IClient.h"
#include "IUpgrader.h"
#include "JsonText.h"
#include "OnvifExports.h"
#include "OnvifFramework/FunctionScripts/OnvifFunctionScripts.h"
#include "OnvifFramework/Utility/OnvifBaseComm.h"
#include "OnvifSim/DeviceDescription.h"
#include "OnvifSim/SimDevice.h"
#include "OnvifSim/SimServer.h"

using namespace Zentar::Component;
using RPC::Onvif::COnvifUpgrader;

namespace {

const int kHostUser = 11;

// Records every state the upgrader reports and waits (bounded) for a final one.
class StateLog : public Zentar::Manager::IUpgradeStateReceiver {
public:
    void onState(const Json::Value& state) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_states.push_back(state);
        m_changed.notify_all();
    }
    // The final state, or "" when none came within the bound.
    std::string waitForEnd(std::chrono::seconds bound = std::chrono::seconds(20))
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        std::string last;
        m_changed.wait_for(lock, bound, [&] {
            last = m_states.empty() ? "" : m_states.back()["State"].asString();
            return last == "Succeeded" || last == "Failed" || last == "Invalid";
        });
        return last == "Succeeded" || last == "Failed" || last == "Invalid" ? last : "";
    }
    void forget()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_states.clear();
    }
    std::vector<int> progressWhile(const char* state) const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::vector<int> values;
        for (const Json::Value& s : m_states)
            if (s["State"].asString() == state)
                values.push_back(s["Progress"].asInt());
        return values;
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Json::Value> m_states;
};

std::string image(const std::string& version, size_t payload)
{
    std::string bytes = "SIMFW " + version + "\n";
    bytes.reserve(bytes.size() + payload);
    for (size_t i = 0; i < payload; ++i)
        bytes += static_cast<char>('a' + i % 26);
    return bytes;
}

class UpgraderAgainstSim : public ::testing::Test {
protected:
    void startDevice(const Json::Value& firmware)
    {
        RPC::Onvif::COnvifBaseComm::instance()->resetOptions();
        std::string error;
        ASSERT_TRUE(OnvifSim::LoadDescriptionFile(OnvifSim::DevicesDir() + "/camera-1ch-media.json", m_description,
                                                  error))
            << error;
        m_description.raw["firmware"] = firmware;
        m_device = m_server.addDevice(m_description, &error);
        ASSERT_TRUE(m_device) << error;
        initOnvifComponentLibrary();
        m_info = std::make_shared<ServerInfo>();
        m_info->address = "127.0.0.1";
        m_info->port = m_device->port();
        m_info->userName = "admin";
        m_info->password = "admin123";
        m_client = dynamic_cast<IClient*>(getComponentInstance(IClient::kInterfaceName, "Onvif", m_info.get()));
        ASSERT_NE(m_client, nullptr);
        CClientContextScope scope(m_client, kHostUser);
        ASSERT_TRUE(m_client->login());
        // The head gets a short wait for an early answer, so the tests do not sit out a second.
        COnvifUpgrader::Timing timing;
        timing.headAnswerMs = 200;
        timing.finalAnswerMs = 5000;
        m_upgrader = std::make_unique<COnvifUpgrader>(m_info, timing);
        ASSERT_TRUE(m_upgrader->attachState(&m_log));
    }
    void TearDown() override
    {
        m_upgrader.reset();
        if (m_client)
            m_client->destroy();
    }

    std::vector<OnvifSim::CRecordedRequest> uploads() const
    {
        std::vector<OnvifSim::CRecordedRequest> posts;
        for (const auto& r : m_device->requests())
            if (r.path.rfind("/onvif/firmware/", 0) == 0)
                posts.push_back(r);
        return posts;
    }
    bool deviceAnswers()
    {
        Json::Value request(Json::objectValue), result;
        return RPC::Onvif::getDeviceInformation(*m_info, request, result);
    }

    OnvifSim::CSimServer m_server;
    OnvifSim::CDeviceDescription m_description;
    std::shared_ptr<OnvifSim::CSimDevice> m_device;
    std::shared_ptr<ServerInfo> m_info;
    IClient* m_client = nullptr;
    StateLog m_log;
    std::unique_ptr<COnvifUpgrader> m_upgrader;
};

TEST_F(UpgraderAgainstSim, MemoryBlocksGoUpWithProgressAndTheDeviceRebootsIntoThem)
{
    startDevice(OnvifTest::jsonText(R"({"rebootSeconds":1})"));
    ASSERT_TRUE(m_upgrader->prepare());
    const std::string bytes = image("6.0.1", 3 * 65536);
    const size_t quarter = bytes.size() / 4;
    for (size_t offset = 0; offset < bytes.size(); offset += quarter)
        ASSERT_TRUE(m_upgrader->appendData(bytes.data() + offset,
                                           static_cast<uint32_t>(std::min(quarter, bytes.size() - offset))));
    ASSERT_TRUE(m_upgrader->execute());
    ASSERT_EQ("Succeeded", m_log.waitForEnd());

    // 1 when it starts, 10 once the head is in, an equal share per block, 100 at the end.
    EXPECT_EQ((std::vector<int>{1, 10, 28, 46, 64, 82}), m_log.progressWhile("Upgrading"));
    EXPECT_EQ((std::vector<int>{100}), m_log.progressWhile("Succeeded"));
    Json::Value state;
    ASSERT_TRUE(m_upgrader->getState(state));
    EXPECT_EQ("", state["File"].asString());

    // The device answered the first head with a challenge and took the image on the retry.
    const auto posts = uploads();
    ASSERT_EQ(2u, posts.size());
    EXPECT_EQ(401, posts[0].status);
    EXPECT_EQ(200, posts[1].status);
    EXPECT_EQ("admin", posts[1].user);

    // It reboots: nothing answers for a moment, then the new version does.
    EXPECT_FALSE(deviceAnswers());
    bool back = false;
    for (int i = 0; i < 50 && !back; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        back = deviceAnswers();
    }
    EXPECT_TRUE(back);
    EXPECT_EQ("6.0.1", m_device->firmwareStatus()["firmwareVersion"].asString());
    EXPECT_EQ("Done", m_device->firmwareStatus()["state"].asString());
    EXPECT_EQ(1, m_device->rebootCount());
}

TEST_F(UpgraderAgainstSim, AFileGoesUpInChunks)
{
    startDevice(OnvifTest::jsonText(R"({"rebootSeconds":0})"));
    const std::string path = ::testing::TempDir() + "/upgrader_test_image.bin";
    {
        std::ofstream out(path, std::ios::binary);
        out << image("7.1", 5 * 1024 * 1024);
    }
    ASSERT_TRUE(m_upgrader->prepare());
    ASSERT_TRUE(m_upgrader->setFile(path.c_str()));
    EXPECT_FALSE(m_upgrader->appendData("x", 1)) << "one source per upgrade";
    ASSERT_TRUE(m_upgrader->execute());
    ASSERT_EQ("Succeeded", m_log.waitForEnd());
    // Chunks of 2 MiB: three for 5 MiB, each a third of the way from 10 to 100.
    EXPECT_EQ((std::vector<int>{1, 10, 40, 70, 100}), m_log.progressWhile("Upgrading"));
    Json::Value state;
    m_upgrader->getState(state);
    EXPECT_EQ(path, state["File"].asString());
    EXPECT_EQ(static_cast<int>(image("7.1", 5 * 1024 * 1024).size()), m_device->firmwareStatus()["received"].asInt());
    EXPECT_EQ("7.1", m_device->firmwareStatus()["firmwareVersion"].asString());
    std::remove(path.c_str());
}

TEST_F(UpgraderAgainstSim, TheDeviceRefusesWhatIsNoImageOrTooLarge)
{
    startDevice(OnvifTest::jsonText(R"({"maxBytes":100000})"));
    const struct {
        std::string bytes;
        const char* finalState;   // nullptr: "Failed" or "Invalid"
    } cases[] = {
        // The whole body arrives, then the device says it is no image for it.
        {std::string(4096, 'x'), "Invalid"},
        // Refused as soon as the authenticated head is in. The retried head's answer is not
        // waited for, so the refusal is met while the body goes out or read after it.
        {image("8.0", 200000), nullptr},
    };
    for (const auto& c : cases) {
        m_log.forget();
        ASSERT_TRUE(m_upgrader->prepare());
        ASSERT_TRUE(m_upgrader->appendData(c.bytes.data(), static_cast<uint32_t>(c.bytes.size())));
        ASSERT_TRUE(m_upgrader->execute());
        const std::string end = m_log.waitForEnd();
        if (c.finalState)
            EXPECT_EQ(c.finalState, end);
        else
            EXPECT_TRUE(end == "Failed" || end == "Invalid") << end;
        EXPECT_EQ("Refused", m_device->firmwareStatus()["state"].asString());
        EXPECT_NE("8.0", m_device->firmwareStatus()["firmwareVersion"].asString());
    }
    EXPECT_EQ(0, m_device->rebootCount());
    EXPECT_TRUE(deviceAnswers()) << "no reboot after a refusal";
}

TEST_F(UpgraderAgainstSim, ADroppedUploadFailsAndTheDeviceStays)
{
    startDevice(OnvifTest::jsonText(R"({"dropAfterBytes":300000})"));
    ASSERT_TRUE(m_upgrader->prepare());
    const std::string bytes = image("9.9", 8 * 1024 * 1024);
    ASSERT_TRUE(m_upgrader->appendData(bytes.data(), static_cast<uint32_t>(bytes.size())));
    ASSERT_TRUE(m_upgrader->execute());
    const std::string end = m_log.waitForEnd();
    EXPECT_TRUE(end == "Failed" || end == "Invalid") << end;
    EXPECT_EQ("Failed", m_device->firmwareStatus()["state"].asString());
    EXPECT_EQ(0, m_device->rebootCount());
    EXPECT_TRUE(deviceAnswers());
}

// Wrong credentials earn exactly one authenticated retry, on a new connection.
TEST_F(UpgraderAgainstSim, OneRetryAfterAChallenge)
{
    startDevice(Json::Value(Json::objectValue));
    ASSERT_TRUE(m_upgrader->prepare());
    m_info->password = "wrong";   // the upgrader reads the shared record when it answers the challenge
    const std::string bytes = image("1.2", 4096);
    ASSERT_TRUE(m_upgrader->appendData(bytes.data(), static_cast<uint32_t>(bytes.size())));
    ASSERT_TRUE(m_upgrader->execute());
    const std::string end = m_log.waitForEnd();
    EXPECT_TRUE(end == "Failed" || end == "Invalid") << end;
    const auto posts = uploads();
    ASSERT_EQ(2u, posts.size());
    EXPECT_EQ(401, posts[0].status);
    EXPECT_EQ(401, posts[1].status);
    EXPECT_NE(posts[0].connectionId, posts[1].connectionId);
    EXPECT_NE(std::string::npos, posts[1].header("Authorization").find("Digest username=\"admin\""));
}

// A device that reboots at once closes without a word: that counts as accepted.
TEST_F(UpgraderAgainstSim, SilenceAfterTheBodyCountsAsSuccess)
{
    startDevice(OnvifTest::jsonText(R"({"silentAccept":true,"rebootSeconds":0})"));
    ASSERT_TRUE(m_upgrader->prepare());
    const std::string bytes = image("3.3", 4096);
    ASSERT_TRUE(m_upgrader->appendData(bytes.data(), static_cast<uint32_t>(bytes.size())));
    ASSERT_TRUE(m_upgrader->execute());
    EXPECT_EQ("Succeeded", m_log.waitForEnd());
}

TEST_F(UpgraderAgainstSim, TheStateMachineRefusesWhatDoesNotFit)
{
    startDevice(Json::Value(Json::objectValue));
    EXPECT_FALSE(m_upgrader->setFile("/nonexistent")) << "not prepared";
    EXPECT_FALSE(m_upgrader->appendData("x", 1)) << "not prepared";
    ASSERT_TRUE(m_upgrader->prepare());
    EXPECT_FALSE(m_upgrader->appendData(nullptr, 1));
    EXPECT_FALSE(m_upgrader->appendData("x", 0));
    EXPECT_FALSE(m_upgrader->setFile("/nonexistent/image.bin"));
    // The failed file chose the source: memory blocks are refused now.
    EXPECT_FALSE(m_upgrader->appendData("x", 1));

    ASSERT_TRUE(m_upgrader->prepare());
    EXPECT_FALSE(m_upgrader->execute()) << "no image";
    Json::Value state;
    m_upgrader->getState(state);
    EXPECT_EQ("", state["State"].asString()) << "cleared";

    ASSERT_TRUE(m_upgrader->prepare());
    ASSERT_TRUE(m_upgrader->appendData("x", 1));
    EXPECT_FALSE(m_upgrader->setFile("/etc/hostname")) << "blocks came first";
    EXPECT_TRUE(m_upgrader->cancel());
    m_upgrader->getState(state);
    EXPECT_EQ("", state["State"].asString());
    EXPECT_FALSE(m_upgrader->execute()) << "cancelled: nothing left to send";
    EXPECT_TRUE(uploads().empty());
}

// The factory hands out the client's one upgrader.
TEST_F(UpgraderAgainstSim, TheClientHandsOutOneUpgrader)
{
    startDevice(Json::Value(Json::objectValue));
    CClientContextScope scope(m_client, kHostUser);
    auto* fromFactory =
        dynamic_cast<Zentar::Manager::IUpgrader*>(getComponentInstance(Zentar::Manager::IUpgrader::kInterfaceName,
                                                                        "Onvif", nullptr));
    ASSERT_NE(fromFactory, nullptr);
    EXPECT_EQ(fromFactory, m_client->getUpgrader());
    Json::Value state;
    ASSERT_TRUE(fromFactory->getState(state));
    EXPECT_EQ("Succeeded", state["State"].asString()) << "the state before any upgrade";
    EXPECT_EQ(0, state["Progress"].asInt());
}

} // namespace
