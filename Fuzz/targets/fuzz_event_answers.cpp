// What the event service answers, read by the rows that read it: the topic tree of
// GetEventProperties, then a PullMessages answer (or its fault) typed by that tree, and the
// same messages read as pushed ones, without a tree. The input's first record is the
// properties answer, the second the pull answer (the first again when there is none).
#include <json/json.h>

#include <string>

#include "FuzzInput.h"
#include "OnvifFramework/Utility/OnvifOperation.h"
#include "OnvifProtocolCore/EventHanding/OnvifEventHanding.h"
#include "OnvifProtocolCore/EventHanding/OnvifEventMessages.h"

namespace {

using namespace RPC::Onvif;

bool parsed(CSOAPMessage& message, const std::string& text)
{
    return message.parse(text.data(), text.size()) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    OnvifFuzz::CRecords records(data, size);
    const uint8_t* bytes = nullptr;
    size_t length = 0;
    if (!records.next(bytes, length))
        return 0;
    const std::string properties(reinterpret_cast<const char*>(bytes), length);
    std::string pull = properties;
    if (records.next(bytes, length))
        pull.assign(reinterpret_cast<const char*>(bytes), length);

    const COnvifOperationTable& table = COnvifEventHanding::operationTable();
    Json::Value topics(Json::objectValue);
    CSOAPMessage answer(static_cast<const char*>(nullptr));
    if (parsed(answer, properties))
        readAnswer(*table.find("GetEventProperties"), answer, Json::Value(), topics);

    const OnvifOperation& pullRow = *table.find("PullMessages");
    CSOAPMessage pulled(static_cast<const char*>(nullptr));
    if (!parsed(pulled, pull))
        return 0;
    Json::Value typed(Json::objectValue);
    pullRow.readFault(pulled, topics, typed);
    readAnswer(pullRow, pulled, topics, typed);
    unsigned sum = OnvifFuzz::touch(typed.toStyledString());

    const int count = pulled.getArraySize("./NotificationMessage");
    for (int i = 0; i < count && i < 64; ++i) {
        Json::Value pushed;
        readNotificationMessage(pulled, "./NotificationMessage[" + std::to_string(i) + "]", nullptr, pushed);
        sum += OnvifFuzz::touch(topicWithoutPrefixes(pushed["Topic"].asString()));
    }
    return sum == 0xFFFFFFFFu ? 1 : 0;
}
