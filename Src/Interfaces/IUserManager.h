#pragma once
// The host's user administration of one device: users in groups, each group with a list
// of rights.
//
// User record: {"Name", "Password", "Type" (the device's own level text), "Group",
// "AuthorityList": [right names]}. Group record: {"Id", "Name", "AuthorityList"}.
#include <json/json.h>

#include "Component/Unknown.h"
#include "InterfaceDefaults.h"

namespace Zentar {
namespace Manager {

class IUserManager : public Component::IUnknown {
public:
    static constexpr const char* kInterfaceName = "UserManager";

    // Every right a user can hold.
    virtual bool getAuthorityList(Json::Value& rights) { return Component::notSupportedSlot(); }
    virtual bool getGroupInfoAll(Json::Value& groups) { return Component::notSupportedSlot(); }
    virtual bool addUser(const Json::Value& user) { return Component::notSupportedSlot(); }
    virtual bool deleteUser(const char* name) { return Component::notSupportedSlot(); }
    virtual bool modifyUser(const char* name, const Json::Value& user) { return Component::notSupportedSlot(); }
    // oldPassword is for devices that check it; not every device can.
    virtual bool modifyPassword(const char* name, const char* newPassword, const char* oldPassword)
    {
        return Component::notSupportedSlot();
    }
    virtual bool getUserInfo(const char* name, Json::Value& user) { return Component::notSupportedSlot(); }
    virtual bool getUserInfoAll(Json::Value& users) { return Component::notSupportedSlot(); }
    // Groups of the host's own making; devices with fixed levels have none to change.
    virtual bool addGroup(const Json::Value& group) { return Component::notSupportedSlot(); }
    virtual bool deleteGroup(const char* name) { return Component::notSupportedSlot(); }
    virtual bool modifyGroup(const char* name, const Json::Value& group) { return Component::notSupportedSlot(); }
    virtual bool getGroupInfo(const char* name, Json::Value& group) { return Component::notSupportedSlot(); }
};

} // namespace Manager
} // namespace Zentar
