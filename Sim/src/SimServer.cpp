#include "OnvifSim/SimServer.h"

#include "Common/Log.h"
#include "Discovery/DiscoveryResponder.h"
#include "Device/DeviceCore.h"
#include "Events/EventHub.h"
#include "Firmware/FirmwareState.h"
#include "Firmware/FirmwareUpload.h"
#include "Http/HttpListener.h"
#include "Http/TlsContext.h"
#include "Media/MediaUris.h"
#include "Replay/ReplayAnswers.h"
#include "Rtsp/RtspServer.h"

#include <asio/executor_work_guard.hpp>
#include <asio/io_context.hpp>

#include <condition_variable>
#include <optional>
#include <thread>

namespace OnvifSim {

class CSimServerImpl {
public:
    explicit CSimServerImpl(unsigned threads);
    std::shared_ptr<CSimDevice> add(const CDeviceDescription& description, std::string& error, unsigned short port,
                                    const std::string& bindAddress, std::shared_ptr<CReplayAnswers> replay = nullptr);
    void stop();

    // Declared first so it is destroyed last: connections still queued in the io_context
    // may refer to it until the io_context is gone.
    std::unique_ptr<asio::ssl::context> m_tls;
    std::string m_tlsCertificatePem;
    asio::io_context m_io;
    std::optional<asio::executor_work_guard<asio::io_context::executor_type>> m_work;
    std::vector<std::thread> m_threads;
    mutable std::mutex m_mutex;
    std::vector<std::shared_ptr<CHttpListener>> m_listeners;
    std::vector<std::shared_ptr<CRtspServer>> m_rtspServers;
    std::vector<std::shared_ptr<CEventHub>> m_eventHubs;
    std::vector<std::shared_ptr<CSimDevice>> m_devices;
    std::vector<std::shared_ptr<CDiscoveryResponder>> m_responders;
    bool m_stopped = false;
    std::mutex m_exitMutex;
    std::condition_variable m_exited;
    unsigned m_running = 0;
};

CSimServerImpl::CSimServerImpl(unsigned threads)
{
    m_work.emplace(m_io.get_executor());
    m_running = std::max(1u, threads);
    for (unsigned i = 0; i < m_running; ++i)
        m_threads.emplace_back([this] {
            try {
                m_io.run();
            } catch (const std::exception& e) {
                LogLine(std::string("worker stopped by an exception: ") + e.what());
            }
            std::lock_guard<std::mutex> lock(m_exitMutex);
            --m_running;
            m_exited.notify_all();
        });
}

std::shared_ptr<CSimDevice> CSimServerImpl::add(const CDeviceDescription& description, std::string& error,
                                                unsigned short port, const std::string& bindAddress,
                                                std::shared_ptr<CReplayAnswers> replay)
{
    if (bindAddress.rfind("127.", 0) != 0 && bindAddress != "::1") {
        error = "the simulator only listens on loopback (127.x.y.z or ::1), not " + bindAddress;
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_stopped) {
        error = "the server is stopped";
        return nullptr;
    }
    if (description.https && !m_tls && !(m_tls = MakeSelfSignedTlsContext(error, m_tlsCertificatePem)))
        return nullptr;
    CRtspOptions rtspOptions;
    if (!ParseRtspOptions(description.raw, rtspOptions, error)) {
        error = description.source + ": " + error;
        return nullptr;
    }
    CEventSettings eventSettings;
    if (!ParseEventSettings(description.raw, eventSettings, error)) {
        error = description.source + ": " + error;
        return nullptr;
    }
    auto core = std::make_shared<CDeviceCore>(description, std::move(replay));
    auto listener = std::make_shared<CHttpListener>(m_io, core, description.https ? m_tls.get() : nullptr);
    if (!listener->open(bindAddress, port, error))
        return nullptr;
    std::shared_ptr<CRtspServer> rtsp;
    if (rtspOptions.enabled) {
        rtsp = std::make_shared<CRtspServer>(m_io, core, rtspOptions);
        if (!rtsp->open(bindAddress, error)) {
            listener->stop();
            return nullptr;
        }
        // Stream URIs name the running server's port; kept in both descriptions so a
        // factory reset keeps it.
        auto coreLock = core->lock();
        core->state().initial.raw[kRtspPortMember] = rtsp->port();
        core->state().current.raw[kRtspPortMember] = rtsp->port();
        coreLock.unlock();
        listener->setTunnelSink(rtsp);
        rtsp->start();
        m_rtspServers.push_back(rtsp);
    }
    CFirmwareOptions firmware;
    if (!core->replay() && ReadFirmwareOptions(description.raw, firmware, error) && firmware.enabled) {
        // The firmware upload has its own port, as cameras often serve it apart.
        auto upload = std::make_shared<CHttpListener>(m_io, core, nullptr);
        upload->setSessionStarter(FirmwareUploadSessions(core));
        if (!upload->open(bindAddress, 0, error)) {
            listener->stop();
            return nullptr;
        }
        auto coreLock = core->lock();
        core->state().initial.raw[kFirmwarePortMember] = upload->port();
        core->state().current.raw[kFirmwarePortMember] = upload->port();
        coreLock.unlock();
        upload->start();
        m_listeners.push_back(upload);
    }
    if (!core->replay()) {
        auto hub = std::make_shared<CEventHub>(m_io, core, eventSettings);
        auto coreLock = core->lock();
        core->state().events = hub;
        coreLock.unlock();
        hub->start();
        m_eventHubs.push_back(hub);
    }
    listener->start();
    std::string host = bindAddress == "::1" ? "[::1]" : bindAddress;
    auto device = std::make_shared<CSimDevice>(core, listener->port(), description.https, host, rtsp);
    m_listeners.push_back(listener);
    m_devices.push_back(device);
    LogLine((description.name.empty() ? description.source : description.name) + " listening on " +
            device->serviceUrl());
    return device;
}

void CSimServerImpl::stop()
{
    std::vector<std::shared_ptr<CHttpListener>> listeners;
    std::vector<std::shared_ptr<CRtspServer>> rtspServers;
    std::vector<std::shared_ptr<CEventHub>> hubs;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_stopped)
            return;
        m_stopped = true;
        listeners = m_listeners;
        rtspServers = m_rtspServers;
        hubs = m_eventHubs;
        for (auto& responder : m_responders)
            responder->stop();
    }
    for (auto& hub : hubs)
        hub->stop();
    for (auto& listener : listeners)
        listener->stop();
    for (auto& rtsp : rtspServers)
        rtsp->stop();
    m_work.reset();
    // Closed connections let run() return by itself; if something still holds work after
    // a few seconds, stop the loop anyway so stopping can never hang.
    {
        std::unique_lock<std::mutex> lock(m_exitMutex);
        if (!m_exited.wait_for(lock, std::chrono::seconds(5), [this] { return m_running == 0; }))
            m_io.stop();
    }
    for (auto& thread : m_threads)
        if (thread.joinable())
            thread.join();
}

bool CSimServer::addDiscovery(const std::shared_ptr<CSimDevice>& device, const CDiscoveryOptions& options,
                              std::string* error)
{
    std::string why;
    auto responder = std::make_shared<CDiscoveryResponder>(m_impl->m_io, device, options);
    bool ok = device && CheckDiscoveryHabits(options.habits, why) && responder->open(why);
    std::lock_guard<std::mutex> lock(m_impl->m_mutex);
    if (ok && m_impl->m_stopped)
        ok = false, why = "the server is stopped";
    if (!ok) {
        LogLine(why);
        if (error)
            *error = why;
        return false;
    }
    responder->start();
    m_impl->m_responders.push_back(responder);
    return true;
}

CSimServer::CSimServer(unsigned threads) : m_impl(std::make_unique<CSimServerImpl>(threads)) {}

CSimServer::~CSimServer() { stop(); }

std::shared_ptr<CSimDevice> CSimServer::addDevice(const CDeviceDescription& description, std::string* error,
                                                  unsigned short port, const std::string& bindAddress)
{
    std::string why;
    std::shared_ptr<CSimDevice> device;
    try {
        device = m_impl->add(description, why, port, bindAddress);
    } catch (const std::exception& e) {
        why = std::string("cannot start the device: ") + e.what();
    }
    if (!device) {
        LogLine(why);
        if (error)
            *error = why;
    }
    return device;
}

std::shared_ptr<CSimDevice> CSimServer::addDevice(const Json::Value& json, std::string* error, unsigned short port)
{
    CDeviceDescription description;
    std::string why;
    if (!LoadDescription(json, description, why)) {
        if (error)
            *error = why;
        return nullptr;
    }
    return addDevice(description, error, port);
}

std::shared_ptr<CSimDevice> CSimServer::addDeviceFile(const std::string& path, std::string* error,
                                                      unsigned short port)
{
    CDeviceDescription description;
    std::string why;
    if (!LoadDescriptionFile(path, description, why)) {
        if (error)
            *error = why;
        return nullptr;
    }
    return addDevice(description, error, port);
}

std::shared_ptr<CSimDevice> CSimServer::addReplayDevice(const std::string& dir, const CReplayOptions& options,
                                                        std::string* error, unsigned short port,
                                                        std::vector<std::string>* warnings)
{
    CReplayFolder folder;
    std::string why;
    std::shared_ptr<CSimDevice> device;
    try {
        if (LoadReplayFolder(dir, folder, why)) {
            if (warnings)
                *warnings = folder.warnings;
            CDeviceDescription description = folder.description;
            description.https = description.https || options.https;
            auto replay = std::make_shared<CReplayAnswers>(std::move(folder), options);
            device = m_impl->add(description, why, port, "127.0.0.1", std::move(replay));
        }
    } catch (const std::exception& e) {
        why = dir + ": " + e.what();
    }
    if (!device) {
        LogLine(why);
        if (error)
            *error = why;
    }
    return device;
}

std::string CSimServer::tlsCertificatePem() const
{
    std::lock_guard<std::mutex> lock(m_impl->m_mutex);
    return m_impl->m_tlsCertificatePem;
}

std::vector<std::shared_ptr<CSimDevice>> CSimServer::devices() const
{
    std::lock_guard<std::mutex> lock(m_impl->m_mutex);
    return m_impl->m_devices;
}

void CSimServer::stop()
{
    try {
        m_impl->stop();
    } catch (const std::exception& e) {
        LogLine(std::string("stop: ") + e.what());
    }
}

} // namespace OnvifSim
