#pragma once
// Command tables of the media area objects.
//
// Callers name media operations by their own command names ("AddVideoEncodeCfgToProfile",
// "GetVideoEncoderCfg") while the wire carries the ONVIF name (AddVideoEncoderConfiguration),
// so each row pairs the command with the operation row the engine runs. A few operations
// log their own text when the answer lacks the response element; that text sits in the
// row too, so every special rule of an operation is visible where it is declared.
#include <json/json.h>

#include <map>
#include <string>
#include <vector>

#include "OnvifFramework/Utility/OnvifOperation.h"
#include "OnvifFramework/Utility/OnvifProtoCore.h"

namespace RPC {
namespace Onvif {

struct OnvifCommandRow {
    const char* command;            // the name callers pass to execute()
    OnvifOperation op;              // what goes on the wire
    const char* responseFailText;   // logged at level 2 when the answer lacks the response
                                    // element; nullptr: the engine's own handling
};

// Runs one row: through the engine, or with the row's own fail text.
int runCommandRow(const OnvifCommandRow& row, const COnvifLoginInfo& login, const Json::Value& req, Json::Value& rsp);

class COnvifCommandTable {
public:
    COnvifCommandTable(const OnvifCommandRow* rows, size_t count);

    // The row's result, or -2 when the command is not in the table.
    int dispatch(const COnvifLoginInfo& login, const std::string& command, const Json::Value& req,
                 Json::Value& rsp) const;

    const OnvifCommandRow* find(const std::string& command) const;
    std::vector<std::string> commands() const;

private:
    std::map<std::string, const OnvifCommandRow*> m_rows;
};

// An area object whose operations are all rows of one command table.
class COnvifCommandChild : public COnvifProtoChildCore {
public:
    const COnvifCommandTable& getCommandTable() const { return m_table; }

protected:
    COnvifCommandChild(const COnvifLoginInfo& login, const COnvifCommandTable& table)
        : COnvifProtoChildCore(login), m_table(table)
    {
    }
    int dispatch(const std::string& name, const Json::Value& req, Json::Value& rsp) override
    {
        return m_table.dispatch(m_loginInfo, name, req, rsp);
    }

private:
    const COnvifCommandTable& m_table;   // static, lives as long as the library
};

} // namespace Onvif
} // namespace RPC
