// A recording search answer read by every row of the recording search service: the result
// pages of the four searches, recording information, media attributes, summary and the rest.
#include <json/json.h>

#include <string>

#include "FuzzInput.h"
#include "OnvifFramework/Utility/OnvifOperation.h"
#include "OnvifProtocolCore/RecordingSearch/OnvifRecordingResearch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace RPC::Onvif;
    CSOAPMessage answer(static_cast<const char*>(nullptr));
    if (answer.parse(reinterpret_cast<const char*>(data), size) != 0)
        return 0;
    const COnvifOperationTable& table = COnvifRecordingResearch::operationTable();
    unsigned sum = 0;
    for (const std::string& command : table.commands()) {
        const OnvifOperation& row = *table.find(command);
        Json::Value rsp(Json::objectValue);
        if (row.readFault)
            row.readFault(answer, Json::Value(), rsp);
        readAnswer(row, answer, Json::Value(), rsp);
        sum += OnvifFuzz::touch(rsp.toStyledString());
    }
    return sum == 0xFFFFFFFFu ? 1 : 0;
}
