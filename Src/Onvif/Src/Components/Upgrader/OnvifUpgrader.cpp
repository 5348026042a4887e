// The host's side of an upgrade: preparing, choosing the image, starting, cancelling and
// the state record. The upload itself is in OnvifUpgraderUpload.cpp.
#include "Components/Upgrader/OnvifUpgrader.h"

#include <cstring>
#include <limits>
#include <new>

#include "OnvifFramework/FunctionScripts/OnvifFunctionScripts.h"
#include "OnvifFramework/InfoCenter/OnvifJsonAccess.h"
#include "OnvifFramework/Utility/OnvifLog.h"
#include "OnvifFramework/Utility/OnvifUtilities.h"

namespace RPC {
namespace Onvif {

using Zentar::Infra::CGuard;

namespace {
// The upload runs on the timer; it may take long for a large image on a slow link.
constexpr uint32_t kUploadLimitMs = 300000;
constexpr int kLongestDelaySeconds = 86400;
} // namespace

COnvifUpgrader::COnvifUpgrader(std::shared_ptr<const Zentar::Component::ServerInfo> serverInfo, const Timing& timing)
    : m_serverInfo(std::move(serverInfo)), m_timing(timing)
{
}

COnvifUpgrader::~COnvifUpgrader()
{
    m_upgradeTimer.stopAndWait();
    if (m_file)
        std::fclose(m_file);
}

// ---- State ---------------------------------------------------------------------------

void COnvifUpgrader::setState(const char* state)
{
    CGuard guard(m_stateMutex);
    m_state = state;
}

void COnvifUpgrader::setProgress(int progress)
{
    CGuard guard(m_stateMutex);
    m_progress = progress;
}

bool COnvifUpgrader::stateIs(const char* state) const
{
    CGuard guard(m_stateMutex);
    return m_state == state;
}

bool COnvifUpgrader::stateIsRunning() const
{
    CGuard guard(m_stateMutex);
    return m_state == "Upgrading" || m_state == "Downloading";
}

bool COnvifUpgrader::stateIsFinal() const
{
    CGuard guard(m_stateMutex);
    return m_state == "Succeeded" || m_state == "Failed" || m_state == "Invalid";
}

bool COnvifUpgrader::getState(Json::Value& state)
{
    state = Json::Value(Json::objectValue);
    {
        CGuard guard(m_stateMutex);
        state["State"] = m_state;
        state["Progress"] = m_progress;
    }
    CGuard guard(m_sourceMutex);
    state["File"] = m_filePath;
    return true;
}

void COnvifUpgrader::notify()
{
    Json::Value state;
    getState(state);
    m_stateSignal.emit(state);
}

bool COnvifUpgrader::attachState(Zentar::Manager::IUpgradeStateReceiver* receiver)
{
    return receiver &&
           m_stateSignal.attach(receiver, [receiver](const Json::Value& state) { receiver->onState(state); }) > 0;
}

bool COnvifUpgrader::detachState(Zentar::Manager::IUpgradeStateReceiver* receiver)
{
    return receiver && m_stateSignal.detach(receiver) >= 0;
}

// ---- Preparing and the image ---------------------------------------------------------

// Back to nothing: no image, no address, no state. Not while the upload runs; a start
// that is only scheduled is called off, and an upload that has reached its final state
// is only telling its receivers, so it is waited for.
bool COnvifUpgrader::clear()
{
    if (m_upgradeTimer.isRunning() && !stateIsFinal()) {
        ONVIF_LOG(LOG_ERROR, "m_upgradeTimer\tis running,can not clear\n");
        return false;
    }
    m_upgradeTimer.stopAndWait();
    {
        CGuard guard(m_sourceMutex);
        if (m_file) {
            std::fclose(m_file);
            m_file = nullptr;
        }
        m_filePath.clear();
        m_source = SOURCE_NONE;
    }
    {
        CGuard guard(m_dataMutex);
        m_blocks.clear();
        m_totalSize = 0;
    }
    CGuard guard(m_stateMutex);
    m_uploadUri.clear();
    m_uploadDelay.clear();
    m_expectedDownTime.clear();
    m_mode.clear();
    m_state.clear();
    m_progress = 0;
    return true;
}

bool COnvifUpgrader::prepare()
{
    // A running upgrade keeps its image and state; the device is still asked again.
    if (!stateIsRunning()) {
        if (!clear()) {
            ONVIF_LOG(LOG_ERROR, "prepare failed timer also running\n");
            return false;
        }
        setState("Preparing");
    }
    notify();
    Json::Value request(Json::objectValue), answer(Json::objectValue);
    if (!startFirmwareUpgrade(*m_serverInfo, request, answer))
        return false;
    const std::string uri = memberText(answer, "UploadUri");
    if (uri.empty()) {
        ONVIF_LOG(LOG_ERROR, "StartFirmwareUpgrade gave no UploadUri, ip = %s\n", m_serverInfo->address.c_str());
        return false;
    }
    CGuard guard(m_stateMutex);
    m_uploadDelay = memberText(answer, "UploadDelay");
    m_expectedDownTime = memberText(answer, "ExpectedDownTime");
    m_uploadUri = uri;
    m_mode = "http";
    return true;
}

bool COnvifUpgrader::setFile(const char* path)
{
    if (!path)
        return false;
    if (!stateIs("Preparing")) {
        ONVIF_LOG(LOG_ERROR, "the state is not in Preparing\n");
        return false;
    }
    CGuard guard(m_sourceMutex);
    if (m_source == SOURCE_MEMORY) {
        ONVIF_LOG(LOG_ERROR, "data appended first,can not set file\n");
        return false;
    }
    m_source = SOURCE_FILE;
    m_filePath = path;
    if (m_file)
        std::fclose(m_file);
    m_file = std::fopen(path, "rb");
    long length = -1;
    if (m_file && std::fseek(m_file, 0, SEEK_END) == 0)
        length = std::ftell(m_file);
    // The image size travels as a 32-bit number.
    if (!m_file || length < 0 || static_cast<unsigned long>(length) > std::numeric_limits<uint32_t>::max() ||
        std::fseek(m_file, 0, SEEK_SET) != 0) {
        ONVIF_LOG(LOG_ERROR, "open file failed\n");
        if (m_file)
            std::fclose(m_file);
        m_file = nullptr;
        return false;
    }
    CGuard dataGuard(m_dataMutex);
    m_totalSize = static_cast<uint32_t>(length);
    return true;
}

bool COnvifUpgrader::appendData(const void* data, uint32_t length)
{
    if (!data || length == 0)
        return false;
    if (!stateIs("Preparing")) {
        ONVIF_LOG(LOG_ERROR, "the state is not in Preparing\n");
        return false;
    }
    {
        CGuard guard(m_sourceMutex);
        if (m_source == SOURCE_FILE) {
            ONVIF_LOG(LOG_ERROR, "set file first,can not append data\n");
            return false;
        }
        m_source = SOURCE_MEMORY;
    }
    CGuard guard(m_dataMutex);
    const bool fits = m_totalSize <= std::numeric_limits<uint32_t>::max() - length;
    try {
        if (fits) {
            const uint8_t* bytes = static_cast<const uint8_t*>(data);
            m_blocks.emplace_back(bytes, bytes + length);
            m_totalSize += length;
            return true;
        }
    } catch (const std::bad_alloc&) {
    }
    setState("NotEnoughMemory");
    notify();
    ONVIF_LOG(LOG_ERROR, "memery not enough\n");
    return false;
}

bool COnvifUpgrader::cancel()
{
    if (stateIsRunning()) {
        Json::Value state;
        getState(state);
        ONVIF_LOG(LOG_ERROR, "at the (%s)state can not cancel\n", state["State"].asCString());
        return false;
    }
    setState("Cancelled");
    notify();
    clear();
    return true;
}

bool COnvifUpgrader::execute()
{
    setProgress(0);
    uint32_t total = 0;
    {
        CGuard guard(m_dataMutex);
        total = m_totalSize;
    }
    if (total == 0) {
        ONVIF_LOG(LOG_ERROR, "upgrade file size is 0\n");
        clear();
        return false;
    }
    if (!stateIs("Preparing")) {
        ONVIF_LOG(LOG_ERROR, "state is not Preparing can not upgrade\n");
        return false;
    }
    std::string delayText;
    {
        CGuard guard(m_stateMutex);
        delayText = m_uploadDelay;
    }
    // A delay that is no duration starts the upload at once rather than never, and no
    // device is waited for longer than a day.
    int delay = delayText.empty() ? 0 : durationToSeconds(delayText.c_str());
    if (delay < 0)
        delay = 0;
    if (delay > kLongestDelaySeconds)
        delay = kLongestDelaySeconds;
    if (!m_upgradeTimer.start([this](unsigned long) { uploadProc(); }, static_cast<uint32_t>(delay) * 1000u, 0, 0,
                              kUploadLimitMs)) {
        ONVIF_LOG(LOG_ERROR, "m_upgradeTimer.start failed!\n");
        return false;
    }
    return true;
}

} // namespace Onvif
} // namespace RPC
