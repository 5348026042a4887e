#pragma once
// Hosts simulated devices in this process: one io_context and a small thread pool shared
// by all devices, each device on its own loopback port. Nothing here throws.
#include "OnvifSim/DeviceDescription.h"
#include "OnvifSim/DiscoveryOptions.h"
#include "OnvifSim/ReplayOptions.h"
#include "OnvifSim/SimDevice.h"

#include <memory>
#include <string>
#include <vector>

namespace OnvifSim {

class CSimServerImpl;

class CSimServer {
public:
    explicit CSimServer(unsigned threads = 2);
    ~CSimServer();
    CSimServer(const CSimServer&) = delete;
    CSimServer& operator=(const CSimServer&) = delete;

    // Starts a device listening on bindAddress:port (port 0: a free port; loopback
    // addresses only: ::1 or any 127.x.y.z). Null with *error set when it cannot start.
    std::shared_ptr<CSimDevice> addDevice(const CDeviceDescription& description, std::string* error = nullptr,
                                          unsigned short port = 0, const std::string& bindAddress = "127.0.0.1");
    std::shared_ptr<CSimDevice> addDevice(const Json::Value& description, std::string* error = nullptr,
                                          unsigned short port = 0);
    std::shared_ptr<CSimDevice> addDeviceFile(const std::string& path, std::string* error = nullptr,
                                              unsigned short port = 0);
    // A device answering with the recorded answers in folder `dir`; *error reads
    // "<file>: <reason>" when the folder is unusable. What the folder holds but the device
    // cannot use is skipped: one log line each, also handed back in *warnings.
    std::shared_ptr<CSimDevice> addReplayDevice(const std::string& dir, const CReplayOptions& options = {},
                                                std::string* error = nullptr, unsigned short port = 0,
                                                std::vector<std::string>* warnings = nullptr);

    // Makes a running device answer WS-Discovery Probes; false with *error when its socket
    // cannot be opened.
    bool addDiscovery(const std::shared_ptr<CSimDevice>& device, const CDiscoveryOptions& options,
                      std::string* error = nullptr);

    std::vector<std::shared_ptr<CSimDevice>> devices() const;
    // The PEM certificate every HTTPS device of this server presents (self-signed, made
    // with the first such device; empty before): what a verifying client is told to trust.
    std::string tlsCertificatePem() const;
    // Closes every listener and connection and joins the threads; idempotent.
    void stop();

private:
    std::unique_ptr<CSimServerImpl> m_impl;
};

// Log lines go to stderr; tests that provoke many refusals may turn them off.
void SetLogEnabled(bool enabled);

// Directory of the shipped device descriptions (the source tree, or the installed copy).
std::string DevicesDir();

} // namespace OnvifSim
