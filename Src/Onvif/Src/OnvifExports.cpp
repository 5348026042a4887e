#include "OnvifExports.h"

#include "Base/RPCUtility/EventServer.h"
#include "Components/OnvifFactoryTable.h"
#include "OnvifFramework/EventCenter/OnvifEventCenter.h"
#include "OnvifFramework/FunctionScripts/OnvifServiceRegistry.h"
#include "OnvifFramework/InfoCenter/OnvifInfoCenter.h"
#include "OnvifFramework/Utility/AsyncLoginLimit.h"
#include "OnvifFramework/Utility/OnvifBaseComm.h"
#include "OnvifFramework/Utility/OnvifBaseDef.h"
#include "OnvifFramework/Utility/OnvifLog.h"
#include "SOAPFramework/SOAPCall.h"

using namespace RPC::Onvif;

namespace {
// One flag per factory row, for the life of the process.
bool g_factoryRegistered[64];
} // namespace

extern "C" {

void initOnvifComponentLibrary()
{
    ONVIF_LOG(LOG_WARN, "%s()! [Compiled at %s-%s]\n", __func__, __DATE__, __TIME__);
    size_t count = 0;
    const OnvifFactoryRow* rows = onvifFactoryTable(count);
    static_assert(sizeof g_factoryRegistered / sizeof g_factoryRegistered[0] >= 22, "one flag per factory");
    registerFactoryTable(rows, count, g_factoryRegistered);
    Zentar::SOAPFramework::initSOAPInstanceObj();
    initOnvifInstanceObjs();
}

void initOnvifInstanceObjs()
{
    ONVIF_LOG(LOG_WARN, "%s()! [Compiled at %s-%s]\n", __func__, __DATE__, __TIME__);
    // Each single object is created on first use and lives until the process ends.
    RPC::CEventServer::instance();
    COnvifBaseComm::instance();
    COnvifServiceRegistry::instance();
    COnvifEventCenter::instance();
    COnvifInfoCenter::instance();
}

bool setOnvifOptions(const Json::Value& options)
{
    return COnvifBaseComm::instance()->setOnvifOptionCfg(options);
}

bool setOnvifMsgTimeout(int connectMs, int sendMs, int recvMs)
{
    return COnvifBaseComm::instance()->setSOAPTimeout(connectMs, sendMs, recvMs);
}

bool setOnvifVirtualAlarm(const char* address, int port)
{
    COnvifBaseComm::instance()->setOnvifVirtualAlarm(address ? address : "", port);
    return true;
}

int initLogPrinterLevel(int level)
{
    return setLogPrinterLevel(level);
}

void initAsynLoginThreadNum(int count)
{
    setAsyncLoginLimit(count);
}

int getThirdDeviceInterVesion()
{
    return kOnvifInterfaceVersion;
}

bool enableRPCAlarm(bool enable)
{
    RPC::CEventServer::instance()->enableEventAlarm(enable);
    return true;
}

int initRPCAlarmPort(int port)
{
    return RPC::CEventServer::instance()->serve(static_cast<uint16_t>(port));
}

bool setOnvifAlarmCfg(const Json::Value& config)
{
    return RPC::CEventServer::instance()->setConfig(config);
}

bool setOnvifAlarmEncryptionCfg(const Json::Value& config, const char* keyPassword, int length)
{
    return RPC::CEventServer::instance()->setConfig(config, keyPassword, length);
}

} // extern "C"
