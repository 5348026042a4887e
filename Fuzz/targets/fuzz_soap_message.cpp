// A device's SOAP answer parsed, then read with the path grammar. The input's first record
// is a path the fuzzer chooses; fixed paths of every form follow it.
#include <string>

#include "FuzzInput.h"
#include "SOAPFramework/SOAPMessage.h"

namespace {

const Zentar::SOAPFramework::NSEntry kNamespaces[] = {
    {"tds", "http://www.onvif.org/ver10/device/wsdl"},
    {"tt", "http://www.onvif.org/ver10/schema"},
    {"trt", "http://www.onvif.org/ver10/media/wsdl"},
    {nullptr, nullptr},
};

const char* const kPaths[] = {
    "/Envelope/Body/Fault/Code/Subcode/Value", "/Envelope/Body/Fault/Reason/Text",
    "/tds:GetServicesResponse/tds:Service[%d]/tds:XAddr", "./tt:Name", "../tt:Name",
    "/trt:GetProfilesResponse/trt:Profiles[%d]/@token", "/trt:GetProfilesResponse/trt:Profiles[%d]/tt:Name[%d]",
};

unsigned readAll(Zentar::SOAPFramework::CSOAPMessage& message, const char* path)
{
    unsigned sum = 0;
    for (int i = -1; i < 3; ++i) {
        const char* text = message.getAsCString(path, i, i);
        sum += text ? OnvifFuzz::touch(std::string(text)) : 0;
        sum += static_cast<unsigned>(message.getArraySize(path, i, i) + message.getAsInt(path, i, i));
        char buffer[16];
        message.get(path, buffer, sizeof buffer, i, i);
        const char* child = message.getChildName(path, i < 0 ? 0 : i);
        sum += child ? OnvifFuzz::touch(std::string(child)) : 0;
    }
    return sum;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace Zentar::SOAPFramework;
    OnvifFuzz::CRecords records(data, size);
    const uint8_t* bytes = nullptr;
    size_t length = 0;
    if (!records.next(bytes, length))
        return 0;
    const std::string path(reinterpret_cast<const char*>(bytes), length);
    std::string document;
    while (records.next(bytes, length))
        document.append(reinterpret_cast<const char*>(bytes), length);

    CSOAPMessage message(static_cast<const char*>(nullptr));
    if (message.parse(document.data(), document.size()) != 0)
        return 0;
    message.setNSURITable(kNamespaces);
    unsigned sum = readAll(message, path.c_str());
    for (int node : {SOAP_NODE_BODY, SOAP_NODE_RESPONSE}) {
        if (message.setPathPrefix(node) != 0)
            continue;
        sum += readAll(message, path.c_str());
        for (const char* fixed : kPaths)
            sum += readAll(message, fixed);
    }
    return sum == 0xFFFFFFFFu ? 1 : 0;
}
