#pragma once
// Names in a replay folder: "<service>.<Action>[Suffix].xml" files and the service a
// request belongs to, told by the namespace of its first Body element.
#include <set>
#include <string>
#include <utility>

namespace OnvifSim {

struct CAnswerName {
    std::string service;   // "device", "events" ...
    std::string name;      // action and suffix together: "PullMessagesMotion"
};

// False with a reason when `file` is not "<service>.<Name>.xml" with a known service.
bool ParseAnswerFileName(const std::string& file, CAnswerName& out, std::string& reason);

// Splits a name into action and suffix. `siblings` are every name of the same service in
// the folder: "PullMessagesMotion" is a variant of PullMessages because PullMessages is a
// known action, and "GetThingNight" a variant of GetThing when GetThing.xml is there too.
std::pair<std::string, std::string> SplitVariant(const std::string& service, const std::string& name,
                                                 const std::set<std::string>& siblings);

// Service key for a request namespace; empty when no replayed service uses it.
std::string ServiceForNamespace(const std::string& ns);

} // namespace OnvifSim
