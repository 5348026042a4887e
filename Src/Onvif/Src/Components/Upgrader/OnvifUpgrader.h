#pragma once
// Firmware upgrade of one device: StartFirmwareUpgrade gives an upload address, and the
// image goes there as one HTTP POST over a TCP connection this component drives itself
// (firmware images are too large for the SOAP stack's buffers, and devices answer the
// upload outside SOAP).
//
//   prepare (asks the device)  -> "Preparing"
//   setFile / appendData       (the image: a file, or blocks of memory, not both)
//   execute                    -> after the device's upload delay, on the timer:
//                                 "Upgrading" 1% .. 10% (head accepted) .. 100% "Succeeded",
//                                 or "Failed" (no connection, refused head, lost upload),
//                                 or "Invalid" (the device refused the whole image)
//   cancel                     -> "Cancelled" (not while an upload runs)
//
// Every state or progress change goes to the attached receivers as {"State", "Progress",
// "File"}.
#include <json/json.h>

#include <cstdint>
#include <cstdio>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "Component/ServerInfo.h"
#include "IUpgrader.h"
#include "Infra/Mutex.h"
#include "Infra/Signal.h"
#include "Infra/Timer.h"

namespace RPC {
namespace Onvif {

// How long the upload waits for the device. The defaults are those devices are used to;
// tests shorten them instead of sleeping through them.
struct COnvifUpgradeTiming {
    int headAnswerMs = 1000;     // an early answer to the request head (a challenge, a refusal)
    int finalAnswerMs = 30000;   // the answer after the whole image
    int sendMs = 5000;           // each wait for the socket to take more of the image
};

class COnvifUpgrader : public Zentar::Manager::IUpgrader {
public:
    using Timing = COnvifUpgradeTiming;

    explicit COnvifUpgrader(std::shared_ptr<const Zentar::Component::ServerInfo> serverInfo,
                            const Timing& timing = Timing());
    ~COnvifUpgrader() override;
    COnvifUpgrader(const COnvifUpgrader&) = delete;
    COnvifUpgrader& operator=(const COnvifUpgrader&) = delete;

    bool prepare() override;
    bool appendData(const void* data, uint32_t length) override;
    bool setFile(const char* path) override;
    bool cancel() override;
    bool execute() override;
    bool getState(Json::Value& state) override;
    bool attachState(Zentar::Manager::IUpgradeStateReceiver* receiver) override;
    bool detachState(Zentar::Manager::IUpgradeStateReceiver* receiver) override;

private:
    enum Source { SOURCE_NONE = 0, SOURCE_FILE = 1, SOURCE_MEMORY = 2 };
    enum UploadResult { UPLOAD_DONE, UPLOAD_FAILED, UPLOAD_REFUSED };

    bool clear();
    void setState(const char* state);
    void setProgress(int progress);
    void notify();
    bool stateIs(const char* state) const;
    bool stateIsRunning() const;
    bool stateIsFinal() const;

    // The upload (on the timer) and its steps; upload.cpp.
    void uploadProc();
    UploadResult httpUpload();
    int sendHead(const std::string& host, int port, const std::string& head);
    bool sendAll(int sock, const char* data, size_t length, const char* failLog);
    int readAnswer(int sock, int timeoutMs, int& status, std::string& challenge);
    std::string authorizationFor(const std::string& challenge, const std::string& path) const;
    bool sendFileBody(int sock);
    bool sendMemoryBody(int sock);

    // Passed in.
    std::shared_ptr<const Zentar::Component::ServerInfo> m_serverInfo;
    const Timing m_timing;

    // State and progress are short values read by host calls and written by the upload;
    // their lock is never held across a network exchange or a receiver's call.
    mutable Zentar::Infra::CMutex m_stateMutex;
    std::string m_state = "Succeeded";
    int m_progress = 0;

    // What the device said, set by prepare.
    std::string m_mode;   // "" or "http"
    std::string m_uploadUri;
    std::string m_uploadDelay;
    std::string m_expectedDownTime;

    // The image.
    Zentar::Infra::CMutex m_sourceMutex;
    Source m_source = SOURCE_NONE;
    std::string m_filePath;
    std::FILE* m_file = nullptr;
    // A deque: appending never moves the blocks the upload is sending.
    Zentar::Infra::CMutex m_dataMutex;
    std::deque<std::vector<uint8_t>> m_blocks;
    uint32_t m_totalSize = 0;

    Zentar::Infra::CSignal<const Json::Value&> m_stateSignal;
    Zentar::Infra::CTimer m_upgradeTimer{"onvif_NVRUpgradeTimer"};
};

} // namespace Onvif
} // namespace RPC
