#pragma once
// The RTSP sessions' clock held still for a test, which moves it by hand: time-outs are
// stepped across instead of waited for. Restores the system clock when it goes.
#include "Stream/Rtsp/RtspClientSession.h"

#include <atomic>
#include <cstdint>

namespace OnvifTest {

class RtspSteppedClock {
public:
    RtspSteppedClock() { Zentar::StreamApp::CRtspClientSession::setClock(&RtspSteppedClock::read); }
    ~RtspSteppedClock() { Zentar::StreamApp::CRtspClientSession::setClock(nullptr); }
    RtspSteppedClock(const RtspSteppedClock&) = delete;
    RtspSteppedClock& operator=(const RtspSteppedClock&) = delete;

    void advance(uint64_t ms) { now() += ms; }

private:
    static std::atomic<uint64_t>& now()
    {
        static std::atomic<uint64_t> ms{1000000};
        return ms;
    }
    static uint64_t read() { return now().load(); }
};

} // namespace OnvifTest
