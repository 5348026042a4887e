#pragma once
// The CLI as a host: it loads the library through its exports, makes a client through the
// client factory, logs in, and reaches every other interface through the factories in the
// client's context, exactly as a recorder would.
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
    const Zentar::Component::ServerInfo& serverInfo() const { return m_info; }
    Zentar::Component::IClient* client() const { return m_client; }
    std::string deviceLabel() const;

    // A component of the logged-in device through its factory (interface name, class ID "Onvif").
    template <class T> T* component(const char* interfaceName) const
    {
        return dynamic_cast<T*>(componentUnknown(interfaceName, "Onvif"));
    }
    Zentar::Component::IUnknown* componentUnknown(const char* interfaceName, const char* classID) const;

    // "The device refused the user name or password (error 0x10030015)." and the like.
    static std::string explainError(uint32_t code, const std::string& device);

private:
    CliOptions m_options;
    Zentar::Component::ServerInfo m_info;
    bool m_embedded = false;
    std::string m_embeddedName;
    std::unique_ptr<OnvifSim::CSimServer> m_sim;
    Zentar::Component::IClient* m_client = nullptr;
    int m_loginReason = -1;
};

} // namespace OnvifCli
