#pragma once
// The host's user administration for one device, on the device's ONVIF user list. The
// host thinks in users, groups and rights; ONVIF devices have users with one of a few
// fixed levels. Each level is a group of the host with a fixed list of rights, and a
// group the table does not know is the level "Anonymous".
#include <json/json.h>

#include <memory>
#include <string>

#include "Component/ServerInfo.h"
#include "IUserManager.h"

namespace RPC {
namespace Onvif {

class COnvifUserManager : public Zentar::Manager::IUserManager {
public:
    explicit COnvifUserManager(std::shared_ptr<const Zentar::Component::ServerInfo> serverInfo);

    bool getAuthorityList(Json::Value& rights) override;
    bool getGroupInfoAll(Json::Value& groups) override;
    bool addUser(const Json::Value& user) override;
    bool deleteUser(const char* name) override;
    bool modifyUser(const char* name, const Json::Value& user) override;
    bool modifyPassword(const char* name, const char* newPassword, const char* oldPassword) override;
    bool getUserInfo(const char* name, Json::Value& user) override;
    bool getUserInfoAll(Json::Value& users) override;

    // The fixed mapping: ONVIF level <-> host group, and the rights of a level.
    static std::string groupOfLevel(const std::string& level);
    static std::string levelOfGroup(const std::string& group);
    static Json::Value rightsOfLevel(const std::string& level);
    // The host record of one device user {"Username", "Password", "UserLevel"}.
    static Json::Value hostUser(const Json::Value& deviceUser);

private:
    // Runs one user script with "User"[0] (or "Username"[0]) = entry; logs "<what> fail".
    bool callWithOne(bool (*script)(const Zentar::Component::ServerInfo&, Json::Value&, Json::Value&),
                     const char* arrayKey, const Json::Value& entry, const char* what);
    bool readUsers(Json::Value& deviceUsers);

    std::shared_ptr<const Zentar::Component::ServerInfo> m_serverInfo;
};

} // namespace Onvif
} // namespace RPC
