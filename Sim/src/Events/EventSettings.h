#pragma once
// The description's "events" member: how the device's event service behaves and what it
// raises on its own. Everything is optional:
//   maxPullTimeoutSeconds  longest PullMessages wait; a longer Timeout is refused with the
//                          PullMessagesFaultResponse naming it (60)
//   maxMessageLimit        likewise for MessageLimit (100)
//   subscriptionSeconds    lifetime of a subscription created without a termination time (60)
//   queueLimit             messages a pull point keeps for its client; older ones are lost (200)
//   habits                 dropPullEvery (N: every Nth waiting pull loses its connection; 0),
//                          emptyPullAtOnce (answer an empty pull at once instead of waiting),
//                          terminationBeforeCurrent (a clock that writes TerminationTime before
//                          CurrentTime), initializedFirst (a new subscription first gets every
//                          property's state as "Initialized")
//   timeline               [{"at": seconds after start, "event": kind, "state": bool,
//                          "channel": 1-based (1), "input": digital input token}]
//   repeatSeconds          the timeline starts again this long after its start (0: once)
// Kinds: motion, motionAlarm, tamper, videoLoss, digitalInput, fire, heartbeat.
#include <json/value.h>

#include <string>
#include <vector>

namespace OnvifSim {

struct CTimelineEntry {
    double at = 0;
    std::string kind;
    bool state = true;
    int channel = 1;
    std::string input;
};

struct CEventSettings {
    int maxPullTimeoutSeconds = 60;
    int maxMessageLimit = 100;
    int subscriptionSeconds = 60;
    int queueLimit = 200;
    int dropPullEvery = 0;
    bool emptyPullAtOnce = false;
    bool terminationBeforeCurrent = false;
    bool initializedFirst = false;
    std::vector<CTimelineEntry> timeline;
    double repeatSeconds = 0;
};

// Reads the description's "events" member (absent: the defaults). False with a reason.
bool ParseEventSettings(const Json::Value& description, CEventSettings& out, std::string& error);

} // namespace OnvifSim
