#pragma once
// The CLI as a host: it loads the library through its exports, makes a client through the
// client factory, logs in, and reaches every other interface through the factories in the
// client's context, exactly as a recorder would.
#include <json/json.h>

#include <memory>
#include <string>

#include "CliOptions.h"
#include "Component/ServerInfo.h"
#include "IClient.h"

namespace OnvifSim {
class CSimServer;
class CSimDevice;
} // namespace OnvifSim

namespace OnvifCli {

class CCliHost {
public:
    explicit CCliHost(const CliOptions& options);
    ~CCliHost();

    // Starts the embedded simulator when no host was given; one sentence in *error otherwise.
    bool prepare(std::string* error);
    // Logs in; on failure *error explains it in words with the library's error code.
    bool login(std::string* error);

    bool embedded() const { return m_embedded; }
    // The embedded simulator's device ("camera-2ch-media2-h265", ...); empty with --host.
    const std::string& embeddedName() const { return m_embeddedName; }
    // The device only repeats recorded answers: --replay, or --replayed for one elsewhere.
    // The CLI knows it from its own options; the library cannot tell and is not asked.
    bool replayed() const { return !m_options.replay.empty() || m_options.replayed; }
    // The embedded simulator's camera (null for a real device): the CLI may make things
    // happen on it, as a person would in front of a real one.
    OnvifSim::CSimDevice* simDevice() const { return m_simDevice.get(); }
    const Zentar::Component::ServerInfo& serverInfo() const { return m_info; }
    Zentar::Component::IClient* client() const { return m_client; }
    std::string deviceLabel() const;

    // A component of the logged-in device through its factory (interface name, class ID "Onvif").
    template <class T> T* component(const char* interfaceName) const
    {
        return dynamic_cast<T*>(componentUnknown(interfaceName, "Onvif"));
    }
    Zentar::Component::IUnknown* componentUnknown(const char* interfaceName, const char* classID) const;

    // The embedded simulator's back-channel audio counts; null with a real device.
    Json::Value embeddedBackChannelAudio() const;

    // "The device refused the user name or password (error 0x10030015)." and the like.
    static std::string explainError(uint32_t code, const std::string& device);

private:
    bool prepareReplay(std::string* error);

    CliOptions m_options;
    Zentar::Component::ServerInfo m_info;
    bool m_embedded = false;
    std::string m_embeddedName;
    std::unique_ptr<OnvifSim::CSimServer> m_sim;
    std::shared_ptr<OnvifSim::CSimDevice> m_simDevice;
    Zentar::Component::IClient* m_client = nullptr;
    int m_loginReason = -1;
};

} // namespace OnvifCli
