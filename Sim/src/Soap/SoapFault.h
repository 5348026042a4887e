#pragma once
// SOAP 1.2 faults as devices send them: env:Code/env:Value, nested env:Subcode values in
// the ONVIF error namespace, env:Reason/env:Text xml:lang="en". Handlers throw one to
// refuse a request.
#include <functional>
#include <string>
#include <vector>

namespace OnvifSim {

class CXmlAnswer;
class CXmlNode;

struct CSoapFault {
    std::string code = "Sender";          // local name in the SOAP envelope namespace
    std::vector<std::string> subcodes;    // local names in the ONVIF error namespace
    std::string reason;
    int httpStatus = 0;                   // 0: the device's habit (Sender 400, Receiver 500)
    std::function<void(CXmlNode& detail)> detail;   // writes env:Detail's content; may be empty

    static CSoapFault Sender(std::vector<std::string> subcodes, std::string reason);
    static CSoapFault Receiver(std::vector<std::string> subcodes, std::string reason);
};

void WriteFault(CXmlAnswer& answer, const CSoapFault& fault);

} // namespace OnvifSim
