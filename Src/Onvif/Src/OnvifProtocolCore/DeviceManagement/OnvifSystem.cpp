#include "OnvifProtocolCore/DeviceManagement/OnvifSystem.h"

#include <cstdio>
#include <string>

#include "OnvifFramework/Utility/OnvifCommonFields.h"
#include "OnvifFramework/Utility/OnvifFieldMap.h"
#include "OnvifFramework/Utility/OnvifLog.h"
#include "OnvifFramework/Utility/OnvifNamespaces.h"
#include "OnvifFramework/Utility/OnvifRecordKeys.h"
#include "OnvifFramework/Utility/OnvifRequestRecords.h"
#include "SOAPFramework/SOAPPart.h"

namespace RPC {
namespace Onvif {

namespace {

// ---- Hooks ---------------------------------------------------------------------------

int logClockRequest(CSOAPMessage&, const Json::Value&)
{
    ONVIF_LOG(LOG_INFO, "GetSystemDateAndTime \n");
    return 0;
}

int writeScopes(CSOAPMessage& msg, const Json::Value& req)
{
    return writeTextList(msg, req, "Scopes", "./tds:Scopes[%d]", -1) < 0 ? -1 : 0;
}

int writeBackupFiles(CSOAPMessage& msg, const Json::Value& req)
{
    static const OnvifField fields[] = {
        textField("Name", "./tds:BackupFiles[%d]/tt:Name"),
        textField("Data.Include", "./tds:BackupFiles[%d]/tt:Data/xop:Include"),
        textField("Data.contentType", "./tds:BackupFiles[%d]/tt:Data/@contentType"),
        {},
    };
    return writeRecordList(msg, req, "BackupFiles", fields);
}

struct CDPAddressIn : COnvifFieldMap {
    CDPAddressIn() { addRequest("", "./tds:DPAddress[%d]", {CommonFields::kNetworkHost}); }
};

int writeDPAddresses(CSOAPMessage& msg, const Json::Value& req)
{
    return writeRecordList(msg, req, "DPAddress", fieldsOf<CDPAddressIn>());
}

// ---- Firmware attachment -------------------------------------------------------------

// The attachment ID used when the caller names none; devices only need it to match the href.
constexpr const char* kDefaultFirmwareContentId = "<http://tempuri.org/0>";
// The part headers keep at most this much of each caller text.
constexpr size_t kMaxPartHeaderText = 255;
// A firmware image takes long to send; the device's answer comes once it has it all.
// Connect and receive stay the transport's own.
constexpr OnvifTimeouts kFirmwareTimeouts{OnvifTimeouts::kTransportOwn, 10000, OnvifTimeouts::kTransportOwn, 10000};

std::string partText(const Json::Value& req, const char* key, const char* fallback)
{
    return textOr(req, key, fallback).substr(0, kMaxPartHeaderText);
}

// The image the caller holds in its own memory: a "%p" address and a byte count. Both
// are required; a zero length or a null address sends nothing.
bool imageOf(const Json::Value& req, const void*& data, size_t& length)
{
    const Json::Value* address = findKey(req, "DataAddress");
    const Json::Value* size = findKey(req, "DataLength");
    if (!address || !address->isString() || !size || !size->isUInt64() || size->asUInt64() == 0) {
        ONVIF_LOG(LOG_ERROR, "[ERRLN] firmware image needs DataAddress and DataLength\n");
        return false;
    }
    void* pointer = nullptr;
    if (std::sscanf(address->asCString(), "%p", &pointer) != 1 || !pointer) {
        ONVIF_LOG(LOG_ERROR, "[ERRLN] firmware DataAddress <%s> unreadable\n", address->asCString());
        return false;
    }
    data = pointer;
    length = static_cast<size_t>(size->asUInt64());
    return true;
}

// The image goes out as an MTOM attachment the operation element refers to.
int writeFirmwareAttachment(CSOAPMessage& request, const Json::Value& req)
{
    const void* data = nullptr;
    size_t length = 0;
    if (!imageOf(req, data, length))
        return -1;
    Zentar::SOAPFramework::CSOAPPart part;
    part.setData(data, length);
    part.setContentId(partText(req, "ContentId", kDefaultFirmwareContentId));
    part.setContentType(partText(req, "ContentType", ""));
    part.setEncoding(partText(req, "Encoding", ""));
    return request.set("/tds:UpgradeSystemFirmware/tds:Firmware/xop:Include/@href", part);
}

const OnvifField kDeviceInformationOut[] = {
    textField("Manufacturer", "./Manufacturer"),
    textField("Model", "./Model"),
    textField("FirmwareVersion", "./FirmwareVersion"),
    textField("SerialNumber", "./SerialNumber"),
    textField("HardwareId", "./HardwareId"),
    {},
};

// The clock fields are always written: the information centre computes the clock
// offset from them, and a device that leaves one out still yields a usable record.
// Only the UTC time is read; the local time is the device's own business.
const OnvifField kSystemDateAndTimeOut[] = {
    textField("SystemDateAndTime.DateTimeType", "./SystemDateAndTime/DateTimeType"),
    boolField("SystemDateAndTime.DaylightSavings", "./SystemDateAndTime/DaylightSavings").always(),
    textField("SystemDateAndTime.TimeZone.TZ", "./SystemDateAndTime/TimeZone/TZ"),
    intField("SystemDateAndTime.UTCDateTime.Time.Hour", "./SystemDateAndTime/UTCDateTime/Time/Hour").always(),
    intField("SystemDateAndTime.UTCDateTime.Time.Minute", "./SystemDateAndTime/UTCDateTime/Time/Minute").always(),
    intField("SystemDateAndTime.UTCDateTime.Time.Second", "./SystemDateAndTime/UTCDateTime/Time/Second").always(),
    intField("SystemDateAndTime.UTCDateTime.Date.Year", "./SystemDateAndTime/UTCDateTime/Date/Year").always(),
    intField("SystemDateAndTime.UTCDateTime.Date.Month", "./SystemDateAndTime/UTCDateTime/Date/Month").always(),
    intField("SystemDateAndTime.UTCDateTime.Date.Day", "./SystemDateAndTime/UTCDateTime/Date/Day").always(),
    {},
};

// The mirror image. Without a type the device is set by hand ("Manual"), which is what
// a caller handing over a date and time means; DaylightSavings is required by devices.
const OnvifField kSystemDateAndTimeIn[] = {
    textField("SystemDateAndTime.DateTimeType", "./tds:DateTimeType").defaultsTo("Manual"),
    boolField("SystemDateAndTime.DaylightSavings", "./tds:DaylightSavings").defaultsTo("false"),
    textField("SystemDateAndTime.TimeZone.TZ", "./tds:TimeZone/tt:TZ"),
    intField("SystemDateAndTime.UTCDateTime.Time.Hour", "./tds:UTCDateTime/tt:Time/tt:Hour"),
    intField("SystemDateAndTime.UTCDateTime.Time.Minute", "./tds:UTCDateTime/tt:Time/tt:Minute"),
    intField("SystemDateAndTime.UTCDateTime.Time.Second", "./tds:UTCDateTime/tt:Time/tt:Second"),
    intField("SystemDateAndTime.UTCDateTime.Date.Year", "./tds:UTCDateTime/tt:Date/tt:Year"),
    intField("SystemDateAndTime.UTCDateTime.Date.Month", "./tds:UTCDateTime/tt:Date/tt:Month"),
    intField("SystemDateAndTime.UTCDateTime.Date.Day", "./tds:UTCDateTime/tt:Date/tt:Day"),
    {},
};

const OnvifField kFactoryDefaultIn[] = {textField("FactoryDefault", "./tds:FactoryDefault"), {}};

const OnvifField kFirmwareUpgradeOut[] = {
    textField("UploadUri", "./UploadUri"),
    textField("UploadDelay", "./UploadDelay"),
    textField("ExpectedDownTime", "./ExpectedDownTime"),
    {},
};

const OnvifField kScopeRecord[] = {
    textField("ScopeDef", "./Scopes[%d]/ScopeDef"),
    textField("ScopeItem", "./Scopes[%d]/ScopeItem"),
    {},
};
const OnvifField kScopesOut[] = {recordListField("Scopes", "./Scopes", kScopeRecord), {}};

const OnvifField kSystemLogUriRecord[] = {
    textField("Type", "./SystemLogUris/SystemLog[%d]/Type"),
    textField("Uri", "./SystemLogUris/SystemLog[%d]/Uri"),
    {},
};
const OnvifField kSystemUrisOut[] = {
    textField("SupportInfoUri", "./SupportInfoUri"),
    textField("SystemBackupUri", "./SystemBackupUri"),
    recordListField("SystemLogUris", "./SystemLogUris/SystemLog", kSystemLogUriRecord),
    {},
};

const OnvifField kBackupFileRecord[] = {
    textField("Name", "./BackupFiles[%d]/Name"),
    textField("Include", "./BackupFiles[%d]/Data/Include"),
    textField("Data.contentType", "./BackupFiles[%d]/Data/@contentType"),
    {},
};
const OnvifField kSystemBackupOut[] = {recordListField("BackupFiles", "./BackupFiles", kBackupFileRecord), {}};

const OnvifField kSystemRestoreOut[] = {
    textField("UploadUri", "./UploadUri"),
    textField("ExpectedDownTime", "./ExpectedDownTime"),
    {},
};

const OnvifField kLogTypeIn[] = {textField("LogType", "./tds:LogType"), {}};

// A log comes as an attachment reference, as inline text, or both.
const OnvifField kSystemLogOut[] = {
    textField("SystemLog.Binary.Include", "./SystemLog/Binary/Include"),
    textField("SystemLog.Binary.contentType", "./SystemLog/Binary/@contentType"),
    textField("SystemLog.String", "./SystemLog/String"),
    {},
};
const OnvifField kSupportInformationOut[] = {
    textField("SupportInformation.Binary.Include", "./SupportInformation/Binary/Include"),
    textField("SupportInformation.Binary.contentType", "./SupportInformation/Binary/@contentType"),
    textField("SupportInformation.String", "./SupportInformation/String"),
    {},
};

const OnvifField kDiscoveryModeIn[] = {textField("DiscoveryMode", "./tds:DiscoveryMode"), {}};
const OnvifField kDiscoveryModeOut[] = {textField("DiscoveryMode", "./DiscoveryMode"), {}};
const OnvifField kRemoteDiscoveryModeIn[] = {textField("RemoteDiscoveryMode", "./tds:RemoteDiscoveryMode"), {}};
const OnvifField kRemoteDiscoveryModeOut[] = {textField("RemoteDiscoveryMode", "./RemoteDiscoveryMode"), {}};

struct CDPAddressesOut : COnvifFieldMap {
    CDPAddressesOut() { addList("DPAddress", "./DPAddress", {CommonFields::kNetworkHost}); }
};

const OnvifField kFirmwareOut[] = {textField("Message", "./Message"), {}};

constexpr OnvifService kTds{"tds", Namespaces::kDevice};

// Operations that only acknowledge have no response fields: the engine's check of the
// response element is all they need.
const OnvifOperation kRows[] = {
    // Callers spell it "Infomation".
    kTds("GetDeviceInfomation", "GetDeviceInformation").out(kDeviceInformationOut),
    // Read before the clock offset is known, and on devices that answer it anonymously.
    kTds("GetSystemDateAndTime").out(kSystemDateAndTimeOut).flag(OP_ANONYMOUS_FIRST).writes(logClockRequest),
    kTds("SetSystemDateAndTime").in(kSystemDateAndTimeIn),
    kTds("UpgradeSystemFirmware").out(kFirmwareOut).flag(OP_ATTACHMENT).waits(&kFirmwareTimeouts)
        .writes(writeFirmwareAttachment),
    kTds("StartFirmwareUpgrade").out(kFirmwareUpgradeOut),
    // Some firmware reboots or resets only when every namespace it knows is declared. The
    // answer is read by local names, so which table the engine also applies to it makes
    // no difference.
    kTds("Reboot", "SystemReboot").declares(Namespaces::kFull),
    kTds("SetSystemFactoryDefault").in(kFactoryDefaultIn).declares(Namespaces::kFull),
    kTds("GetScopes").out(kScopesOut),
    kTds("SetScopes").writes(writeScopes),
    kTds("AddScopes").writes(writeScopes),
    kTds("RemoveScopes").writes(writeScopes),
    kTds("GetSystemUris").out(kSystemUrisOut),
    kTds("GetSystemBackup").out(kSystemBackupOut),
    kTds("RestoreSystem").writes(writeBackupFiles),
    kTds("StartSystemRestore").out(kSystemRestoreOut),
    kTds("GetSystemLog").in(kLogTypeIn).out(kSystemLogOut),
    kTds("GetSystemSupportInfo", "GetSystemSupportInformation").out(kSupportInformationOut),
    kTds("GetDiscoveryMode").out(kDiscoveryModeOut),
    kTds("SetDiscoveryMode").in(kDiscoveryModeIn),
    kTds("GetRemoteDiscoveryMode").out(kRemoteDiscoveryModeOut),
    kTds("SetRemoteDiscoveryMode").in(kRemoteDiscoveryModeIn),
    kTds("GetDPAddresses").out(fieldsOf<CDPAddressesOut>()),
    kTds("SetDPAddresses").writes(writeDPAddresses),
};

} // namespace

const COnvifOperationTable& COnvifSystem::operationTable()
{
    static const COnvifOperationTable table(kRows);
    return table;
}

} // namespace Onvif
} // namespace RPC
