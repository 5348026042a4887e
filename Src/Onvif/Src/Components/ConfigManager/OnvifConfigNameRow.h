#pragma once
// One configuration name of the manager's table: read and written by methods of the
// manager, or by one get and one set composite with the texts logged when they fail.
#include "Components/ConfigManager/OnvifConfigManager.h"
#include "OnvifFramework/FunctionScripts/OnvifFunctionScripts.h"

namespace RPC {
namespace Onvif {

struct COnvifConfigManager::NameRow {
    using Method = bool (COnvifConfigManager::*)(Json::Value& table);
    using Script = bool (*)(const ServerInfo&, Json::Value&, Json::Value&);

    const char* name;
    Method get = nullptr;          // null for a script row
    Method set = nullptr;          // null: a script row, or a name that is read only
    Script getScript = nullptr;
    Script setScript = nullptr;
    const char* member = nullptr;      // the table is this member of the get script's result; null: all of it
    const char* protocol = nullptr;    // set: the network protocol the table's port belongs to
    const char* getFailText = nullptr; // with the device address
    const char* setFailText = nullptr;

    bool readable() const { return get || getScript; }
    bool writable() const { return set || setScript; }

    static NameRow method(const char* name, Method get, Method set)
    {
        NameRow row{name};
        row.get = get;
        row.set = set;
        return row;
    }
    static NameRow script(const char* name, Script get, Script set, const char* member, const char* protocol,
                          const char* getFailText, const char* setFailText)
    {
        NameRow row{name};
        row.getScript = get;
        row.setScript = set;
        row.member = member;
        row.protocol = protocol;
        row.getFailText = getFailText;
        row.setFailText = setFailText;
        return row;
    }
};

} // namespace Onvif
} // namespace RPC
