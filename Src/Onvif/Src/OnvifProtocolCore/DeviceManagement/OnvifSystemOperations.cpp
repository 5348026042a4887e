#include "OnvifProtocolCore/DeviceManagement/OnvifSystemOperations.h"

#include <cstring>
#include <string>

#include "OnvifFramework/Utility/OnvifLog.h"
#include "OnvifFramework/Utility/OnvifNamespaces.h"

namespace RPC {
namespace Onvif {
namespace SystemRows {

namespace {

// ---- Request writers for the repeated elements -------------------------------------

// Member of a record by a key with at most one dot ("Data.Include"); null when absent
// or when the record is not an object.
const Json::Value* memberAt(const Json::Value& record, const char* key)
{
    if (!record.isObject())
        return nullptr;
    const char* dot = std::strchr(key, '.');
    if (!dot)
        return record.find(key, key + std::strlen(key));
    const Json::Value* outer = record.find(key, dot);
    return outer ? memberAt(*outer, dot + 1) : nullptr;
}

bool isAbsent(const Json::Value* v)
{
    return !v || v->isNull() || (v->isString() && v->asString().empty());
}

// 1 written, 0 nothing to write (absent or empty), -1 not a text or refused by the message.
int writeText(CSOAPMessage& msg, const char* path, const Json::Value* v, int i, int j)
{
    if (isAbsent(v))
        return 0;
    if (!v->isString()) {
        ONVIF_LOG(LOG_ERROR, "[ERRLN] %s expects a text\n", path);
        return -1;
    }
    return msg.set(path, v->asCString(), true, i, j) == 0 ? 1 : -1;
}

const Json::Value* arrayAt(const Json::Value& req, const char* key, bool& bad)
{
    const Json::Value* v = memberAt(req, key);
    bad = false;
    if (!v || v->isNull())
        return nullptr;
    if (!v->isArray()) {
        ONVIF_LOG(LOG_ERROR, "[ERRLN] %s expects an array\n", key);
        bad = true;
        return nullptr;
    }
    return v;
}

// A text list written at consecutive positions: empty entries are skipped rather than
// sent as empty elements (and the message can only append at the next free index).
int writeTextList(CSOAPMessage& msg, const Json::Value& record, const char* key, const char* path, int i)
{
    bool bad = false;
    const Json::Value* items = arrayAt(record, key, bad);
    int written = 0;
    for (Json::ArrayIndex k = 0; items && k < items->size(); ++k) {
        const int r = i < 0 ? writeText(msg, path, &(*items)[k], written, -1)
                            : writeText(msg, path, &(*items)[k], i, written);
        if (r < 0)
            return -1;
        written += r;
    }
    return bad ? -1 : written;
}

struct RecordText {
    const char* key;
    const char* path;   // "[%d]" of the record first, then of the list item
};

// An array of request records, each written at the next free position; a record with
// nothing to send takes no position.
int writeRecords(CSOAPMessage& msg, const Json::Value& req, const char* arrayKey, const RecordText* texts,
                 const RecordText* lists)
{
    bool bad = false;
    const Json::Value* records = arrayAt(req, arrayKey, bad);
    int position = 0;
    for (Json::ArrayIndex n = 0; records && n < records->size(); ++n) {
        const Json::Value& record = (*records)[n];
        if (record.isNull())
            continue;
        if (!record.isObject()) {
            ONVIF_LOG(LOG_ERROR, "[ERRLN] %s[%u] is not a record\n", arrayKey, n);
            return -1;
        }
        int written = 0;
        for (const RecordText* t = texts; t && t->key; ++t) {
            const int r = writeText(msg, t->path, memberAt(record, t->key), position, -1);
            if (r < 0)
                return -1;
            written += r;
        }
        for (const RecordText* l = lists; l && l->key; ++l) {
            const int r = writeTextList(msg, record, l->key, l->path, position);
            if (r < 0)
                return -1;
            written += r;
        }
        position += written > 0 ? 1 : 0;
    }
    return bad ? -1 : 0;
}

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
    static const RecordText texts[] = {
        {"Name", "./tds:BackupFiles[%d]/tt:Name"},
        {"Data.Include", "./tds:BackupFiles[%d]/tt:Data/xop:Include"},
        {"Data.contentType", "./tds:BackupFiles[%d]/tt:Data/@contentType"},
        {nullptr, nullptr},
    };
    return writeRecords(msg, req, "BackupFiles", texts, nullptr);
}

int writeDPAddresses(CSOAPMessage& msg, const Json::Value& req)
{
    static const RecordText texts[] = {
        {"Type", "./tds:DPAddress[%d]/tt:Type"},
        {nullptr, nullptr},
    };
    static const RecordText lists[] = {
        {"IPv4Address", "./tds:DPAddress[%d]/tt:IPv4Address[%d]"},
        {"IPv6Address", "./tds:DPAddress[%d]/tt:IPv6Address[%d]"},
        {"DNSname", "./tds:DPAddress[%d]/tt:DNSname[%d]"},
        {nullptr, nullptr},
    };
    return writeRecords(msg, req, "DPAddress", texts, lists);
}

// ---- Field maps (each list ends with an empty row) -------------------------------------

const OnvifField kDeviceInformationOut[] = {
    {"Manufacturer", "./Manufacturer", FIELD_TEXT, FIELD_DEFAULT, nullptr},
    {"Model", "./Model", FIELD_TEXT, FIELD_DEFAULT, nullptr},
    {"FirmwareVersion", "./FirmwareVersion", FIELD_TEXT, FIELD_DEFAULT, nullptr},
    {"SerialNumber", "./SerialNumber", FIELD_TEXT, FIELD_DEFAULT, nullptr},
    {"HardwareId", "./HardwareId", FIELD_TEXT, FIELD_DEFAULT, nullptr},
    {},
};

// The clock fields are always written: the information centre computes the clock
// offset from them, and a device that leaves one out still yields a usable record.
// Only the UTC time is read; the local time is the device's own business.
#define SDT "SystemDateAndTime."
#define SDT_PATH "./SystemDateAndTime/"
const OnvifField kSystemDateAndTimeOut[] = {
    {SDT "DateTimeType", SDT_PATH "DateTimeType", FIELD_TEXT, FIELD_DEFAULT, nullptr},
    {SDT "DaylightSavings", SDT_PATH "DaylightSavings", FIELD_BOOL, FIELD_ALWAYS, nullptr},
    {SDT "TimeZone.TZ", SDT_PATH "TimeZone/TZ", FIELD_TEXT, FIELD_DEFAULT, nullptr},
    {SDT "UTCDateTime.Time.Hour", SDT_PATH "UTCDateTime/Time/Hour", FIELD_INT, FIELD_ALWAYS, nullptr},
    {SDT "UTCDateTime.Time.Minute", SDT_PATH "UTCDateTime/Time/Minute", FIELD_INT, FIELD_ALWAYS, nullptr},
    {SDT "UTCDateTime.Time.Second", SDT_PATH "UTCDateTime/Time/Second", FIELD_INT, FIELD_ALWAYS, nullptr},
    {SDT "UTCDateTime.Date.Year", SDT_PATH "UTCDateTime/Date/Year", FIELD_INT, FIELD_ALWAYS, nullptr},
    {SDT "UTCDateTime.Date.Month", SDT_PATH "UTCDateTime/Date/Month", FIELD_INT, FIELD_ALWAYS, nullptr},
    {SDT "UTCDateTime.Date.Day", SDT_PATH "UTCDateTime/Date/Day", FIELD_INT, FIELD_ALWAYS, nullptr},
    {},
};

// The mirror image. Without a type the device is set by hand ("Manual"), which is what
// a caller handing over a date and time means; DaylightSavings is required by devices.
const OnvifField kSystemDateAndTimeIn[] = {
    {SDT "DateTimeType", "./tds:DateTimeType", FIELD_TEXT, FIELD_DEFAULT, "Manual"},
    {SDT "DaylightSavings", "./tds:DaylightSavings", FIELD_BOOL, FIELD_DEFAULT, "false"},
    {SDT "TimeZone.TZ", "./tds:TimeZone/tt:TZ", FIELD_TEXT, FIELD_DEFAULT, nullptr},
    {SDT "UTCDateTime.Time.Hour", "./tds:UTCDateTime/tt:Time/tt:Hour", FIELD_INT, FIELD_DEFAULT, nullptr},
    {SDT "UTCDateTime.Time.Minute", "./tds:UTCDateTime/tt:Time/tt:Minute", FIELD_INT, FIELD_DEFAULT, nullptr},
    {SDT "UTCDateTime.Time.Second", "./tds:UTCDateTime/tt:Time/tt:Second", FIELD_INT, FIELD_DEFAULT, nullptr},
    {SDT "UTCDateTime.Date.Year", "./tds:UTCDateTime/tt:Date/tt:Year", FIELD_INT, FIELD_DEFAULT, nullptr},
    {SDT "UTCDateTime.Date.Month", "./tds:UTCDateTime/tt:Date/tt:Month", FIELD_INT, FIELD_DEFAULT, nullptr},
    {SDT "UTCDateTime.Date.Day", "./tds:UTCDateTime/tt:Date/tt:Day", FIELD_INT, FIELD_DEFAULT, nullptr},
    {},
};
#undef SDT
#undef SDT_PATH

const OnvifField kFactoryDefaultIn[] = {
    {"FactoryDefault", "./tds:FactoryDefault", FIELD_TEXT, FIELD_DEFAULT, nullptr},
    {},
};

const OnvifField kFirmwareUpgradeOut[] = {
    {"UploadUri", "./UploadUri", FIELD_TEXT, FIELD_DEFAULT, nullptr},
    {"UploadDelay", "./UploadDelay", FIELD_TEXT, FIELD_DEFAULT, nullptr},
    {"ExpectedDownTime", "./ExpectedDownTime", FIELD_TEXT, FIELD_DEFAULT, nullptr},
    {},
};

const OnvifField kScopeRecord[] = {
    {"ScopeDef", "./Scopes[%d]/ScopeDef", FIELD_TEXT, FIELD_DEFAULT, nullptr},
    {"ScopeItem", "./Scopes[%d]/ScopeItem", FIELD_TEXT, FIELD_DEFAULT, nullptr},
    {},
};
const OnvifField kScopesOut[] = {
    {"Scopes", "./Scopes", FIELD_RECORD_LIST, FIELD_DEFAULT, nullptr, kScopeRecord},
    {},
};

const OnvifField kSystemLogUriRecord[] = {
    {"Type", "./SystemLogUris/SystemLog[%d]/Type", FIELD_TEXT, FIELD_DEFAULT, nullptr},
    {"Uri", "./SystemLogUris/SystemLog[%d]/Uri", FIELD_TEXT, FIELD_DEFAULT, nullptr},
    {},
};
const OnvifField kSystemUrisOut[] = {
    {"SupportInfoUri", "./SupportInfoUri", FIELD_TEXT, FIELD_DEFAULT, nullptr},
    {"SystemBackupUri", "./SystemBackupUri", FIELD_TEXT, FIELD_DEFAULT, nullptr},
    {"SystemLogUris", "./SystemLogUris/SystemLog", FIELD_RECORD_LIST, FIELD_DEFAULT, nullptr, kSystemLogUriRecord},
    {},
};

const OnvifField kBackupFileRecord[] = {
    {"Name", "./BackupFiles[%d]/Name", FIELD_TEXT, FIELD_DEFAULT, nullptr},
    {"Include", "./BackupFiles[%d]/Data/Include", FIELD_TEXT, FIELD_DEFAULT, nullptr},
    {"Data.contentType", "./BackupFiles[%d]/Data/@contentType", FIELD_TEXT, FIELD_DEFAULT, nullptr},
    {},
};
const OnvifField kSystemBackupOut[] = {
    {"BackupFiles", "./BackupFiles", FIELD_RECORD_LIST, FIELD_DEFAULT, nullptr, kBackupFileRecord},
    {},
};

const OnvifField kSystemRestoreOut[] = {
    {"UploadUri", "./UploadUri", FIELD_TEXT, FIELD_DEFAULT, nullptr},
    {"ExpectedDownTime", "./ExpectedDownTime", FIELD_TEXT, FIELD_DEFAULT, nullptr},
    {},
};

const OnvifField kLogTypeIn[] = {
    {"LogType", "./tds:LogType", FIELD_TEXT, FIELD_DEFAULT, nullptr},
    {},
};

// A log comes as an attachment reference, as inline text, or both.
const OnvifField kSystemLogOut[] = {
    {"SystemLog.Binary.Include", "./SystemLog/Binary/Include", FIELD_TEXT, FIELD_DEFAULT, nullptr},
    {"SystemLog.Binary.contentType", "./SystemLog/Binary/@contentType", FIELD_TEXT, FIELD_DEFAULT, nullptr},
    {"SystemLog.String", "./SystemLog/String", FIELD_TEXT, FIELD_DEFAULT, nullptr},
    {},
};
const OnvifField kSupportInformationOut[] = {
    {"SupportInformation.Binary.Include", "./SupportInformation/Binary/Include", FIELD_TEXT, FIELD_DEFAULT,
     nullptr},
    {"SupportInformation.Binary.contentType", "./SupportInformation/Binary/@contentType", FIELD_TEXT,
     FIELD_DEFAULT, nullptr},
    {"SupportInformation.String", "./SupportInformation/String", FIELD_TEXT, FIELD_DEFAULT, nullptr},
    {},
};

const OnvifField kDiscoveryModeIn[] = {
    {"DiscoveryMode", "./tds:DiscoveryMode", FIELD_TEXT, FIELD_DEFAULT, nullptr},
    {},
};
const OnvifField kDiscoveryModeOut[] = {
    {"DiscoveryMode", "./DiscoveryMode", FIELD_TEXT, FIELD_DEFAULT, nullptr},
    {},
};
const OnvifField kRemoteDiscoveryModeIn[] = {
    {"RemoteDiscoveryMode", "./tds:RemoteDiscoveryMode", FIELD_TEXT, FIELD_DEFAULT, nullptr},
    {},
};
const OnvifField kRemoteDiscoveryModeOut[] = {
    {"RemoteDiscoveryMode", "./RemoteDiscoveryMode", FIELD_TEXT, FIELD_DEFAULT, nullptr},
    {},
};

const OnvifField kDPAddressRecord[] = {
    {"Type", "./DPAddress[%d]/Type", FIELD_TEXT, FIELD_DEFAULT, nullptr},
    {"IPv4Address", "./DPAddress[%d]/IPv4Address[%d]", FIELD_TEXT_LIST, FIELD_DEFAULT, nullptr},
    {"IPv6Address", "./DPAddress[%d]/IPv6Address[%d]", FIELD_TEXT_LIST, FIELD_DEFAULT, nullptr},
    {"DNSname", "./DPAddress[%d]/DNSname[%d]", FIELD_TEXT_LIST, FIELD_DEFAULT, nullptr},
    {},
};
const OnvifField kDPAddressesOut[] = {
    {"DPAddress", "./DPAddress", FIELD_RECORD_LIST, FIELD_DEFAULT, nullptr, kDPAddressRecord},
    {},
};

} // namespace

using namespace Namespaces;

// Columns: name, request element, namespaces, request fields, response fields, flags,
// time-outs, request hook, response hook. Operations that only acknowledge have no
// response fields: the engine's check of the response element is all they need.
const OnvifOperation kRows[] = {
    // Read before the clock offset is known, and on devices that answer it anonymously.
    {"GetSystemDateAndTime", "/tds:GetSystemDateAndTime", kDevice, nullptr, kSystemDateAndTimeOut,
     OP_ANONYMOUS_FIRST, nullptr, logClockRequest, nullptr},
    {"SetSystemDateAndTime", "/tds:SetSystemDateAndTime", kDevice, kSystemDateAndTimeIn, nullptr, OP_DEFAULT,
     nullptr, nullptr, nullptr},
    {"StartFirmwareUpgrade", "/tds:StartFirmwareUpgrade", kDevice, nullptr, kFirmwareUpgradeOut, OP_DEFAULT,
     nullptr, nullptr, nullptr},
    // Some firmware resets only when every namespace it knows is declared.
    {"SetSystemFactoryDefault", "/tds:SetSystemFactoryDefault", kFull, kFactoryDefaultIn, nullptr, OP_DEFAULT,
     nullptr, nullptr, nullptr},
    {"GetScopes", "/tds:GetScopes", kDevice, nullptr, kScopesOut, OP_DEFAULT, nullptr, nullptr, nullptr},
    {"SetScopes", "/tds:SetScopes", kDevice, nullptr, nullptr, OP_DEFAULT, nullptr, writeScopes, nullptr},
    {"AddScopes", "/tds:AddScopes", kDevice, nullptr, nullptr, OP_DEFAULT, nullptr, writeScopes, nullptr},
    {"RemoveScopes", "/tds:RemoveScopes", kDevice, nullptr, nullptr, OP_DEFAULT, nullptr, writeScopes, nullptr},
    {"GetSystemUris", "/tds:GetSystemUris", kDevice, nullptr, kSystemUrisOut, OP_DEFAULT, nullptr, nullptr,
     nullptr},
    {"GetSystemBackup", "/tds:GetSystemBackup", kDevice, nullptr, kSystemBackupOut, OP_DEFAULT, nullptr, nullptr,
     nullptr},
    {"RestoreSystem", "/tds:RestoreSystem", kDevice, nullptr, nullptr, OP_DEFAULT, nullptr, writeBackupFiles,
     nullptr},
    {"StartSystemRestore", "/tds:StartSystemRestore", kDevice, nullptr, kSystemRestoreOut, OP_DEFAULT, nullptr,
     nullptr, nullptr},
    {"GetSystemLog", "/tds:GetSystemLog", kDevice, kLogTypeIn, kSystemLogOut, OP_DEFAULT, nullptr, nullptr,
     nullptr},
    {"GetDiscoveryMode", "/tds:GetDiscoveryMode", kDevice, nullptr, kDiscoveryModeOut, OP_DEFAULT, nullptr,
     nullptr, nullptr},
    {"SetDiscoveryMode", "/tds:SetDiscoveryMode", kDevice, kDiscoveryModeIn, nullptr, OP_DEFAULT, nullptr,
     nullptr, nullptr},
    {"GetRemoteDiscoveryMode", "/tds:GetRemoteDiscoveryMode", kDevice, nullptr, kRemoteDiscoveryModeOut,
     OP_DEFAULT, nullptr, nullptr, nullptr},
    {"SetRemoteDiscoveryMode", "/tds:SetRemoteDiscoveryMode", kDevice, kRemoteDiscoveryModeIn, nullptr,
     OP_DEFAULT, nullptr, nullptr, nullptr},
    {"GetDPAddresses", "/tds:GetDPAddresses", kDevice, nullptr, kDPAddressesOut, OP_DEFAULT, nullptr, nullptr,
     nullptr},
    {"SetDPAddresses", "/tds:SetDPAddresses", kDevice, nullptr, nullptr, OP_DEFAULT, nullptr, writeDPAddresses,
     nullptr},
};
const size_t kRowCount = sizeof kRows / sizeof kRows[0];

const OnvifOperation kGetDeviceInformation = {
    "GetDeviceInformation", "/tds:GetDeviceInformation", kDevice, nullptr, kDeviceInformationOut, OP_DEFAULT,
    nullptr, nullptr, nullptr};

// The request declares the full namespace set, like the factory reset. The answer is
// read by local names, so which table the engine also applies to it makes no difference.
const OnvifOperation kSystemReboot = {
    "SystemReboot", "/tds:SystemReboot", kFull, nullptr, nullptr, OP_DEFAULT, nullptr, nullptr, nullptr};

const OnvifOperation kGetSystemSupportInformation = {
    "GetSystemSupportInformation", "/tds:GetSystemSupportInformation", kDevice, nullptr, kSupportInformationOut,
    OP_DEFAULT, nullptr, nullptr, nullptr};

} // namespace SystemRows
} // namespace Onvif
} // namespace RPC
