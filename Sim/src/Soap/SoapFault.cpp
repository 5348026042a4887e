#include "Soap/SoapFault.h"

#include "Description/Namespaces.h"
#include "Soap/XmlAnswer.h"

namespace OnvifSim {

CSoapFault CSoapFault::Sender(std::vector<std::string> subcodes, std::string reason)
{
    return CSoapFault{"Sender", std::move(subcodes), std::move(reason), 0, nullptr};
}

CSoapFault CSoapFault::Receiver(std::vector<std::string> subcodes, std::string reason)
{
    return CSoapFault{"Receiver", std::move(subcodes), std::move(reason), 0, nullptr};
}

void WriteFault(CXmlAnswer& answer, const CSoapFault& fault)
{
    CXmlNode node = answer.body().add(Ns::Soap12, "Fault");
    CXmlNode code = node.sub("Code");
    code.sub("Value").qnameText(Ns::Soap12, fault.code);
    CXmlNode parent = code;
    for (const auto& sub : fault.subcodes) {
        parent = parent.sub("Subcode");
        parent.sub("Value").qnameText(Ns::Error, sub);
    }
    node.sub("Reason").sub("Text", fault.reason.empty() ? "Error" : fault.reason).attr(Ns::Xml, "lang", "en");
    if (fault.detail) {
        CXmlNode detail = node.sub("Detail");
        fault.detail(detail);
    }
}

} // namespace OnvifSim
