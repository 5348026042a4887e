#pragma once
// The C entry points the host calls after loading the library.
#include <json/json.h>

#if defined(_WIN32)
#define ONVIF_EXPORT __declspec(dllexport)
#else
#define ONVIF_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {

// Registers the component factories (each once per process), initialises the SOAP
// layer and creates the process-wide single objects.
ONVIF_EXPORT void initOnvifComponentLibrary();
ONVIF_EXPORT void initOnvifInstanceObjs();

ONVIF_EXPORT bool setOnvifOptions(const Json::Value& options);
ONVIF_EXPORT bool setOnvifMsgTimeout(int connectMs, int sendMs, int recvMs);
ONVIF_EXPORT bool setOnvifVirtualAlarm(const char* address, int port);
ONVIF_EXPORT int initLogPrinterLevel(int level);
ONVIF_EXPORT void initAsynLoginThreadNum(int count);
ONVIF_EXPORT int getThirdDeviceInterVesion();

// The notification server devices push their events to (push mode). enableRPCAlarm must
// come first: a disabled server opens nothing. initRPCAlarmPort(0) takes any free port.
// The configuration record: {"EnableHTTPS": bool, "CRT": PEM text, "KEY": PEM text}, given as
// a Json::Value record or as a Json::Value string holding that record's JSON text.
ONVIF_EXPORT bool enableRPCAlarm(bool enable);
ONVIF_EXPORT int initRPCAlarmPort(int port);
ONVIF_EXPORT bool setOnvifAlarmCfg(const Json::Value& config);
ONVIF_EXPORT bool setOnvifAlarmEncryptionCfg(const Json::Value& config, const char* keyPassword, int length);
// Each registers, once per process, the WS-Discovery factory ("DeviceDiscovery",
// "Local.Onvif"); defined with the discovery component.
ONVIF_EXPORT void initOnvifDiscoveryComponentLibrary();
ONVIF_EXPORT void initOnvifDeviceDiscoveryComponentLibrary();

} // extern "C"
