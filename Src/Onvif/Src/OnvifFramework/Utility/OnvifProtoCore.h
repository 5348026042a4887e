#pragma once
// Base classes of the ONVIF service objects and their dispatch by operation name.
//
// A top-level service object (COnvifProtoCore) belongs to one device and holds the clock
// offset measured at login plus its area objects (COnvifProtoChildCore). execute() looks
// the name up in the object's own table first, then asks each area object in order, so a
// caller never needs to know which area implements an operation.
#include <json/json.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "OnvifFramework/Utility/OnvifBaseDef.h"
#include "OnvifFramework/Utility/OnvifOperation.h"

namespace RPC {
namespace Onvif {

// Results of execute besides the operation's own 0 / -1.
enum : int { ONVIF_EXEC_UNKNOWN = -2, ONVIF_EXEC_NULL_NAME = -3 };

// Name -> operation table of one service class. Rows describe the regular operations; a
// class with an irregular operation registers a member function for it instead.
template <class T>
class COnvifOperationTable {
public:
    using Method = int (T::*)(const Json::Value& req, Json::Value& rsp);

    COnvifOperationTable(const OnvifOperation* rows, size_t count,
                         std::initializer_list<std::pair<const char*, Method>> methods = {})
    {
        for (size_t i = 0; i < count; ++i)
            m_entries[rows[i].name] = Entry{&rows[i], nullptr};
        for (const auto& m : methods)
            m_entries[m.first] = Entry{nullptr, m.second};
    }

    // -2 when the name is not in the table.
    int dispatch(T& self, const std::string& name, const Json::Value& req, Json::Value& rsp) const
    {
        auto it = m_entries.find(name);
        if (it == m_entries.end())
            return ONVIF_EXEC_UNKNOWN;
        if (it->second.method)
            return (self.*(it->second.method))(req, rsp);
        return runOperation(*it->second.row, self.getLoginInfo(), req, rsp);
    }

    bool contains(const std::string& name) const { return m_entries.count(name) != 0; }
    size_t size() const { return m_entries.size(); }

private:
    struct Entry {
        const OnvifOperation* row;
        Method method;
    };
    std::map<std::string, Entry> m_entries;
};

class COnvifProtoChildCore {
public:
    explicit COnvifProtoChildCore(const COnvifLoginInfo& login) : m_loginInfo(login) {}
    virtual ~COnvifProtoChildCore() = default;

    // The operation's own result, -2 for an unknown name, -3 for a null name.
    int execute(const char* name, const Json::Value& req, Json::Value& rsp);
    virtual const char* getServiceName() const = 0;

    const COnvifLoginInfo& getLoginInfo() const { return m_loginInfo; }

protected:
    friend class COnvifProtoCore;   // the owning service object dispatches to its areas
    virtual int dispatch(const std::string& name, const Json::Value& req, Json::Value& rsp) = 0;

    COnvifLoginInfo m_loginInfo;   // a private copy: exchanges never read a record being changed
};

class COnvifProtoCore {
public:
    explicit COnvifProtoCore(const COnvifLoginInfo& login) : m_loginInfo(login) {}
    virtual ~COnvifProtoCore() = default;

    // Own table first, then the area objects in the order they were added.
    int execute(const char* name, const Json::Value& req, Json::Value& rsp);
    virtual const char* getServiceName() const = 0;

    const COnvifLoginInfo& getLoginInfo() const { return m_loginInfo; }
    int getTimeDifference() const { return m_iTimeDifference; }
    void setTimeDifference(int seconds) { m_iTimeDifference = seconds; }
    int getTimeZone() const { return m_iTimeZone; }
    void setTimeZone(int zone) { m_iTimeZone = zone; }

protected:
    // The object's own operations; the default has none.
    virtual int dispatch(const std::string& name, const Json::Value& req, Json::Value& rsp)
    {
        return ONVIF_EXEC_UNKNOWN;
    }
    void addChild(std::unique_ptr<COnvifProtoChildCore> child) { m_children.push_back(std::move(child)); }

    COnvifLoginInfo m_loginInfo;
    int m_iTimeDifference = 0;      // device clock minus local clock, seconds
    int m_iTimeZone = 0;            // the device's zone, fallback when its clock answer has none
    std::vector<std::unique_ptr<COnvifProtoChildCore>> m_children;
};

} // namespace Onvif
} // namespace RPC
