#include "OnvifFramework/EventCenter/AlarmTriger.h"

#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {

using namespace RPC::Onvif;

CAlarmTriger::CAlarmTriger(ReportProc owner, std::string type, ClockProc clock, SleepProc sleep)
    : m_owner(std::move(owner)), m_clock(std::move(clock)), m_sleep(std::move(sleep)), m_type(std::move(type))
{
}

void CAlarmTriger::begin(int index, uint32_t holdMs)
{
    m_index = index;
    m_startTime = m_clock() + kStartDelayMs;
    m_endTime = m_startTime + holdMs;
    m_active = true;
    m_started = false;
}

void CAlarmTriger::triger(int index, uint32_t holdMs, const std::string& type)
{
    const std::string& wanted = type.empty() ? m_type : type;
    if (!m_active) {
        ONVIF_LOG(LOG_TRACE, "New AlarmType\n");
        m_type = wanted;
        begin(index, holdMs);
        return;
    }
    if (wanted == m_type) {
        m_endTime = m_clock() + holdMs;
        return;
    }
    ONVIF_LOG(LOG_TRACE, "AlarmType Not Same\n");
    // The host must see the old alarm end before the new one begins.
    const std::string old = m_type;
    const int oldIndex = m_index;
    const bool wasStarted = m_started;
    m_active = m_started = false;
    if (wasStarted && m_owner)
        m_owner(old, oldIndex, 1);
    if (m_sleep)
        m_sleep(kSwitchPauseMs);
    m_type = wanted;
    begin(index, holdMs);
}

void CAlarmTriger::tick()
{
    const uint64_t now = m_clock();
    if (m_active && !m_started && now >= m_startTime) {
        m_started = true;
        if (m_owner)
            m_owner(m_type, m_index, 0);
    }
    if (m_started && now >= m_endTime) {
        m_active = m_started = false;
        if (m_owner)
            m_owner(m_type, m_index, 1);
    }
}

} // namespace RPC
