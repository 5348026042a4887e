#pragma once
// The operations of one service class, found by the command a caller passes to execute().
//
// Every operation of every ONVIF service is a row (OnvifOperation); a service class owns
// one static table of its rows, filled once when the library loads and only read after.
#include <json/json.h>

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

#include "OnvifFramework/Utility/OnvifBaseDef.h"
#include "OnvifFramework/Utility/OnvifOperation.h"

namespace RPC {
namespace Onvif {

// Results of execute besides the operation's own.
enum : int { ONVIF_EXEC_UNKNOWN = -2, ONVIF_EXEC_NULL_NAME = -3 };

class COnvifOperationTable {
public:
    // rows must outlive the table (static arrays do). A command given twice is a
    // programming error: the first row keeps it and the second is logged.
    COnvifOperationTable(const OnvifOperation* rows, size_t count);
    template <size_t N>
    explicit COnvifOperationTable(const OnvifOperation (&rows)[N]) : COnvifOperationTable(rows, N)
    {
    }
    COnvifOperationTable(const COnvifOperationTable&) = delete;
    COnvifOperationTable& operator=(const COnvifOperationTable&) = delete;

    // The row's result, or ONVIF_EXEC_UNKNOWN when the command is not in the table.
    int dispatch(const COnvifLoginInfo& login, const std::string& command, const Json::Value& req,
                 Json::Value& rsp) const;

    const OnvifOperation* find(const std::string& command) const;
    // The registered commands in row order.
    std::vector<std::string> commands() const;
    size_t size() const { return m_order.size(); }

private:
    std::unordered_map<std::string, const OnvifOperation*> m_rows;
    std::vector<const OnvifOperation*> m_order;
};

} // namespace Onvif
} // namespace RPC
