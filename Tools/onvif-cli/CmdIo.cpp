// io: the device's alarm inputs and relay outputs, and switching a relay, through the
// alarm interface.
#include <algorithm>
#include <sstream>

#include "Commands.h"
#include "IAlarm.h"
#include "Infra/LastError.h"

namespace OnvifCli {

namespace {

using Zentar::Component::IAlarm;

IAlarm* alarmInterface(CCliHost& host, std::string& error)
{
    auto* alarm = host.component<IAlarm>(IAlarm::kInterfaceName);
    if (!alarm)
        error = "The library did not hand out the alarm interface for " + host.deviceLabel() + ".";
    return alarm;
}

} // namespace

CommandResult runIoList(CCliHost& host)
{
    CommandResult r;
    IAlarm* alarm = alarmInterface(host, r.error);
    if (!alarm)
        return r;
    int inputCount = 0, outputCount = 0;
    alarm->getAlarmInputCount(inputCount);
    alarm->getAlarmOutputCount(outputCount);
    Json::Value inputs(Json::arrayValue), outputs(Json::arrayValue);
    // A device without inputs or relays answers with none, which is not an error.
    alarm->getAlarmInputs(inputs);
    if (!alarm->getAlarmOutputs(outputs) && outputCount > 0) {
        r.error = CCliHost::explainError(Zentar::Infra::getLastError(), host.deviceLabel()) +
                  " Its relay outputs could not be read.";
        return r;
    }
    // The counts are what the library tells a recorder; a device that lists relays on its
    // device service without a device-IO service to count them shows the list.
    std::ostringstream text;
    text << "  Alarm inputs: " << std::max<int>(inputCount, static_cast<int>(inputs.size())) << "\n";
    for (const Json::Value& input : inputs)
        text << "    " << input["token"].asString() << " (idle " << input.get("IdleState", "?").asString() << ")\n";
    text << "  Relay outputs: " << std::max<int>(outputCount, static_cast<int>(outputs.size())) << "\n";
    for (const Json::Value& relay : outputs)
        text << "    " << relay["token"].asString() << ": " << relay["mode"].asString() << ", idle "
             << relay["idlestate"].asString() << ", delay " << relay["delaytime"].asString() << "\n";
    r.data["AlarmInputCount"] = inputCount;
    r.data["AlarmOutputCount"] = outputCount;
    r.data["AlarmInputs"] = inputs;
    r.data["RelayOutputs"] = outputs;
    r.text = text.str();
    r.ok = true;
    return r;
}

CommandResult runIoRelay(CCliHost& host, const std::string& token, bool on)
{
    CommandResult r;
    IAlarm* alarm = alarmInterface(host, r.error);
    if (!alarm)
        return r;
    if (!alarm->setAlarmOutputState(token.c_str(), on)) {
        r.error = CCliHost::explainError(Zentar::Infra::getLastError(), host.deviceLabel()) + " It did not switch " +
                  "the relay " + token + (on ? " on." : " off.");
        return r;
    }
    r.data["Relay"] = token;
    r.data["Active"] = on;
    r.text = "  Relay " + token + (on ? " is on.\n" : " is off.\n");
    r.ok = true;
    return r;
}

} // namespace OnvifCli
