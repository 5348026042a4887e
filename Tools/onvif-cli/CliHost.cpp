#include "CliHost.h"

#include <cstdio>

#include "CliOutput.h"
#include "Component/ClientContext.h"
#include "Component/FactoryRegistry.h"
#include "ErrorSentences.h"
#include "Infra/LastError.h"
#include "OnvifExports.h"
#include "OnvifSim/DeviceDescription.h"
#include "OnvifSim/SimDevice.h"
#include "OnvifSim/SimServer.h"

namespace OnvifCli {

namespace {

// The device the CLI plays with when no camera is named: two channels, Media and Media2.
const char kEmbeddedDevice[] = "camera-2ch-media2-h265.json";
// The host user the CLI works as (any number: the framework only keeps it per thread).
const int kCliUserID = 1;

} // namespace

CCliHost::CCliHost(const CliOptions& options) : m_options(options) {}

CCliHost::~CCliHost()
{
    if (m_client) {
        Zentar::Component::CClientContextScope scope(m_client, kCliUserID);
        m_client->logout();
        m_client->destroy();
    }
    m_simDevice.reset();
    if (m_sim)
        m_sim->stop();
}

std::string CCliHost::deviceLabel() const
{
    // An IPv6 literal needs brackets or its colons run into the port.
    const bool ipv6 = m_info.address.find(':') != std::string::npos;
    const std::string host = ipv6 ? "[" + m_info.address + "]" : m_info.address;
    return (m_info.https ? "https://" : "http://") + host + ":" + std::to_string(m_info.port);
}

std::string CCliHost::explainError(uint32_t code, const std::string& device)
{
    char text[512];
    const char* sentence = Zentar::Component::errorSentence(code);
    if (!sentence)
        sentence = "The operation failed on %s";
    std::snprintf(text, sizeof text, sentence, device.c_str());
    char withCode[600];
    std::snprintf(withCode, sizeof withCode, "%s (error 0x%08x).", text, code);
    return withCode;
}

bool CCliHost::prepare(std::string* error)
{
    // The library's own start-up, as a host does it.
    initOnvifComponentLibrary();
    initLogPrinterLevel(m_options.logLevel >= 0 ? m_options.logLevel : 2);
    setOnvifMsgTimeout(m_options.timeoutMs < 2000 ? m_options.timeoutMs : 2000, m_options.timeoutMs,
                       m_options.timeoutMs);
    Json::Value libraryOptions;
    libraryOptions["AuthType"] = m_options.auth == "digest" ? 1 : m_options.auth == "auto" ? 2 : 0;
    libraryOptions["VerifyTLS"] = m_options.verifyTls;
    if (!m_options.caFile.empty())
        libraryOptions["TLSCAFile"] = m_options.caFile;
    setOnvifOptions(libraryOptions);

    m_info.port = static_cast<uint16_t>(m_options.port);
    m_info.mediaPort = static_cast<uint16_t>(m_options.mediaPort);
    m_info.userName = m_options.user;
    m_info.password = m_options.password;
    m_info.https = m_options.https;
    if (!m_options.host.empty()) {
        m_info.address = m_options.host;
        return true;
    }

    OnvifSim::SetLogEnabled(m_options.logLevel >= 0);
    m_sim = std::make_unique<OnvifSim::CSimServer>();
    std::string why;
    if (!m_options.replay.empty())
        return prepareReplay(error);
    OnvifSim::CDeviceDescription embedded;
    std::string file = m_options.simDevice.empty() ? kEmbeddedDevice : m_options.simDevice;
    if (file.find(".json") == std::string::npos)
        file += ".json";
    if (!OnvifSim::LoadDescriptionFile(OnvifSim::DevicesDir() + "/" + file, embedded, why)) {
        *error = "The embedded simulator's device description is unusable: " + why;
        return false;
    }
    // This camera's pictures are progressive JPEG, a quirk the library refuses by design;
    // the demo camera serves baseline pictures so that the tour shows snapshots working.
    embedded.raw["snapshot"]["progressive"] = false;
    auto device = m_sim->addDevice(embedded, &why);
    if (!device) {
        *error = "The embedded simulator could not start: " + why;
        return false;
    }
    m_embedded = true;
    m_embeddedName = embedded.name;
    m_simDevice = device;
    const auto description = device->description();
    m_info.address = "127.0.0.1";
    m_info.port = device->port();
    m_info.https = false;
    // Without a password the simulator's own one for that user is used, so the demo needs
    // no typing; a password given is sent as it is (to show a refusal, for example).
    if (m_options.password.empty()) {
        for (const auto& user : description.users) {
            if (user.name == m_options.user)
                m_info.password = user.password;
        }
    }
    return true;
}

bool CCliHost::prepareReplay(std::string* error)
{
    std::string why;
    std::vector<std::string> warnings;
    auto device = m_sim->addReplayDevice(m_options.replay, {}, &why, 0, &warnings);
    if (!device) {
        *error = "The replay folder cannot be served: " + why;
        return false;
    }
    // What the folder holds but the simulator cannot use is worth a line even without --log-level.
    if (m_options.logLevel < 0)
        for (const std::string& warning : warnings)
            COutput::error("replay: " + warning);
    m_embedded = true;
    m_info.address = "127.0.0.1";
    m_info.port = device->port();
    m_info.https = false;
    return true;
}

bool CCliHost::login(std::string* error)
{
    Zentar::Component::IUnknown* unknown =
        Zentar::Component::getComponentInstance(Zentar::Component::IClient::kInterfaceName, "Onvif", &m_info);
    m_client = dynamic_cast<Zentar::Component::IClient*>(unknown);
    if (!m_client) {
        *error = "The library did not hand out a client; is it the right build?";
        return false;
    }
    m_client->attachLoginResultProc([this](const char*, int reason) { m_loginReason = reason; });
    Zentar::Component::CClientContextScope scope(m_client, kCliUserID);
    CProgressLine progress("logging in to " + deviceLabel());
    if (m_client->login())
        return true;
    const uint32_t code = Zentar::Infra::getLastError();
    *error = explainError(code, deviceLabel());
    return false;
}

Json::Value CCliHost::embeddedBackChannelAudio() const
{
    if (!m_sim || m_sim->devices().empty())
        return Json::Value();
    return m_sim->devices().front()->backChannelAudio();
}

Zentar::Component::IUnknown* CCliHost::componentUnknown(const char* interfaceName, const char* classID) const
{
    Zentar::Component::CClientContextScope scope(m_client, kCliUserID);
    return Zentar::Component::getComponentInstance(interfaceName, classID, nullptr);
}

} // namespace OnvifCli
