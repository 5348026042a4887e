#pragma once
// Base classes of the ONVIF service objects and their dispatch by operation name.
//
// A top-level service object (COnvifProtoCore) belongs to one device and holds the clock
// offset measured at login plus its area objects (COnvifProtoChildCore). Every operation
// is a row of an operation table: an area object answers from its table, a service object
// from its own table (when it has one) and then from each area in order, so a caller
// never needs to know which area implements an operation.
#include <json/json.h>

#include <memory>
#include <string>
#include <vector>

#include "OnvifFramework/Utility/OnvifBaseDef.h"
#include "OnvifFramework/Utility/OnvifOperationTable.h"

namespace RPC {
namespace Onvif {

class COnvifProtoChildCore {
public:
    // table is static: it lives as long as the library.
    COnvifProtoChildCore(const COnvifLoginInfo& login, const COnvifOperationTable& table)
        : m_loginInfo(login), m_table(table)
    {
    }
    virtual ~COnvifProtoChildCore() = default;

    // The operation's own result, -2 for an unknown name, -3 for a null name.
    int execute(const char* name, const Json::Value& req, Json::Value& rsp);
    virtual const char* getServiceName() const = 0;

    const COnvifLoginInfo& getLoginInfo() const { return m_loginInfo; }
    const COnvifOperationTable& getOperationTable() const { return m_table; }

private:
    friend class COnvifProtoCore;   // the owning service object dispatches to its areas
    int dispatch(const std::string& name, const Json::Value& req, Json::Value& rsp) const
    {
        return m_table.dispatch(m_loginInfo, name, req, rsp);
    }

    COnvifLoginInfo m_loginInfo;   // a private copy: exchanges never read a record being changed
    const COnvifOperationTable& m_table;
};

class COnvifProtoCore {
public:
    // ownTable: the object's own operations (static), nullptr when its areas hold them all.
    explicit COnvifProtoCore(const COnvifLoginInfo& login, const COnvifOperationTable* ownTable = nullptr)
        : m_loginInfo(login), m_ownTable(ownTable)
    {
    }
    virtual ~COnvifProtoCore() = default;

    // Own table first, then the area objects in the order they were added.
    int execute(const char* name, const Json::Value& req, Json::Value& rsp);
    virtual const char* getServiceName() const = 0;

    // Every table the object answers from, in the order execute() asks them.
    std::vector<const COnvifOperationTable*> getOperationTables() const;

    const COnvifLoginInfo& getLoginInfo() const { return m_loginInfo; }
    int getTimeDifference() const { return m_iTimeDifference; }
    void setTimeDifference(int seconds) { m_iTimeDifference = seconds; }
    int getTimeZone() const { return m_iTimeZone; }
    void setTimeZone(int zone) { m_iTimeZone = zone; }

protected:
    void addChild(std::unique_ptr<COnvifProtoChildCore> child) { m_children.push_back(std::move(child)); }

    COnvifLoginInfo m_loginInfo;
    int m_iTimeDifference = 0;      // device clock minus local clock, seconds
    int m_iTimeZone = 0;            // the device's zone, fallback when its clock answer has none

private:
    const COnvifOperationTable* m_ownTable;
    std::vector<std::unique_ptr<COnvifProtoChildCore>> m_children;
};

} // namespace Onvif
} // namespace RPC
