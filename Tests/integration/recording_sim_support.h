#pragma once
// What the finder and playback tests share: the shipped recorder with a fixed history
// (1 March 2026, nothing from 10:00 to 11:00 UTC, unless a test changes it), a logged-in
// client, and a host receiver that keeps every frame's recording time.
#include <gtest/gtest.h>
#include <json/json.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "Component/ClientContext.h"
#include "Component/FactoryRegistry.h"
#include "IClient.h"
#include "IMediaFileFind.h"
#include "IStreamSource.h"
#include "OnvifExports.h"
#include "OnvifFramework/InfoCenter/OnvifInfoCenter.h"
#include "OnvifFramework/Utility/OnvifBaseComm.h"
#include "OnvifSim/DeviceDescription.h"
#include "OnvifSim/SimDevice.h"
#include "OnvifSim/SimServer.h"
#include "Packaging/NativeFrame.h"
#include "Stream/Media/MediaFrame.h"
#include "../sim/RecorderTestDevice.h"

namespace RecordingTest {

using Zentar::Component::IClient;
using Zentar::Component::ServerInfo;

// The shipped recorder with the fixed history of the simulator's own recording tests.
inline Json::Value ShippedRecorder()
{
    return SimTest::FixedRecorderDescription();
}
using SimTest::ClockMs;

// A host receiver: frames with their recording time, and the end markers.
class CPlaybackReceiver : public Zentar::Stream::IFrameReceiver {
public:
    void onFrame(const Zentar::Stream::CMediaFrame& frame) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!frame.valid()) {
            ++m_ends;
        } else {
            m_times.push_back(static_cast<long long>(frame.getPts()));
            RPC::CNativeFrameView view;
            if (RPC::readNativeFrame(frame.getBuffer(), frame.size(), view) != RPC::ENativeFrameError::None)
                ++m_unreadable;
            else
                m_packedTimes.push_back(view.info.packedTime);
            if (m_times.size() == 1)
                m_firstAt = std::chrono::steady_clock::now();
        }
        m_wake.notify_all();
    }

    template <class Pred> bool waitFor(Pred pred, int seconds = 10)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_wake.wait_for(lock, std::chrono::seconds(seconds), [&] { return pred(*this); });
    }
    size_t frames()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_times.size();
    }
    int ends()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_ends;
    }
    long long lastTime()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_times.empty() ? 0 : m_times.back();
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::vector<long long> m_times;
    std::vector<uint32_t> m_packedTimes;
    std::chrono::steady_clock::time_point m_firstAt;
    int m_ends = 0;
    int m_unreadable = 0;
};

class RecorderFixture : public ::testing::Test {
protected:
    void TearDown() override
    {
        if (m_client) {
            Zentar::Component::CClientContextScope scope(m_client, 1);
            m_client->destroy();
        }
        m_server.stop();
        RPC::Onvif::COnvifBaseComm::instance()->resetOptions();
    }

    void startRecorder(const Json::Value& json)
    {
        OnvifSim::SetLogEnabled(false);
        RPC::Onvif::COnvifBaseComm::instance()->resetOptions();
        std::string error;
        ASSERT_TRUE(OnvifSim::LoadDescription(json, m_description, error)) << error;
        m_device = m_server.addDevice(m_description, &error);
        ASSERT_TRUE(m_device) << error;
        initOnvifComponentLibrary();
        m_info.address = "127.0.0.1";
        m_info.port = m_device->port();
        m_info.userName = "admin";
        m_info.password = "admin123";
        m_client = dynamic_cast<IClient*>(
            Zentar::Component::getComponentInstance(IClient::kInterfaceName, "Onvif", &m_info));
        ASSERT_NE(m_client, nullptr);
        ASSERT_TRUE(m_client->login());
    }

    void setSearchType(int type)
    {
        Json::Value options;
        options["RecordingSearchType"] = type;
        ASSERT_TRUE(setOnvifOptions(options));
    }

    OnvifSim::CSimServer m_server;
    OnvifSim::CDeviceDescription m_description;
    std::shared_ptr<OnvifSim::CSimDevice> m_device;
    ServerInfo m_info;
    IClient* m_client = nullptr;
};

} // namespace RecordingTest
