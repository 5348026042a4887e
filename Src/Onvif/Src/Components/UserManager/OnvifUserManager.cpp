#include "Components/UserManager/OnvifUserManager.h"

#include <cstring>

#include "OnvifFramework/FunctionScripts/OnvifFunctionScripts.h"
#include "OnvifFramework/InfoCenter/OnvifJsonAccess.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
namespace Onvif {

namespace {

struct LevelGroup {
    const char* level;
    const char* group;
};
const LevelGroup kLevels[] = {{"Administrator", "admin"}, {"Operator", "operator"}, {"User", "user"}};

const char* const kAdministratorRights[] = {"Monitor", "Replay", "Account", "GeneralConf", "EncodeConf", "NetConf"};
// Every other level watches and plays back, and changes nothing.
const char* const kViewerRights[] = {"Monitor", "Replay"};

Json::Value rightsList(const char* const* rights, size_t count)
{
    Json::Value list(Json::arrayValue);
    for (size_t i = 0; i < count; ++i)
        list.append(rights[i]);
    return list;
}

} // namespace

COnvifUserManager::COnvifUserManager(std::shared_ptr<const Zentar::Component::ServerInfo> serverInfo)
    : m_serverInfo(std::move(serverInfo))
{
}

std::string COnvifUserManager::groupOfLevel(const std::string& level)
{
    for (const LevelGroup& row : kLevels)
        if (level == row.level)
            return row.group;
    return "anonymous";
}

std::string COnvifUserManager::levelOfGroup(const std::string& group)
{
    for (const LevelGroup& row : kLevels)
        if (group == row.group)
            return row.level;
    return "Anonymous";
}

Json::Value COnvifUserManager::rightsOfLevel(const std::string& level)
{
    if (level == "Administrator")
        return rightsList(kAdministratorRights, sizeof kAdministratorRights / sizeof kAdministratorRights[0]);
    return rightsList(kViewerRights, sizeof kViewerRights / sizeof kViewerRights[0]);
}

Json::Value COnvifUserManager::hostUser(const Json::Value& deviceUser)
{
    const std::string level = memberText(deviceUser, "UserLevel");
    Json::Value user(Json::objectValue);
    user["Name"] = memberText(deviceUser, "Username");
    user["Password"] = memberText(deviceUser, "Password");
    user["Type"] = level;
    user["Group"] = groupOfLevel(level);
    user["AuthorityList"] = rightsOfLevel(level);
    return user;
}

bool COnvifUserManager::getAuthorityList(Json::Value& rights)
{
    rights = rightsOfLevel("Administrator");
    return true;
}

bool COnvifUserManager::getGroupInfoAll(Json::Value& groups)
{
    groups = Json::Value(Json::arrayValue);
    int id = 1;
    for (const LevelGroup& row : kLevels) {
        Json::Value group(Json::objectValue);
        group["Id"] = id++;
        group["Name"] = row.group;
        group["AuthorityList"] = rightsOfLevel(row.level);
        groups.append(group);
    }
    return true;
}

bool COnvifUserManager::readUsers(Json::Value& deviceUsers)
{
    Json::Value request(Json::objectValue);
    deviceUsers = Json::Value(Json::objectValue);
    if (!getUsers(*m_serverInfo, request, deviceUsers)) {
        ONVIF_LOG(LOG_ERROR, "getUsers fail ip = %s\n", m_serverInfo->address.c_str());
        return false;
    }
    return true;
}

bool COnvifUserManager::getUserInfoAll(Json::Value& users)
{
    Json::Value deviceUsers;
    if (!readUsers(deviceUsers))
        return false;
    users = Json::Value(Json::arrayValue);
    for (const Json::Value& deviceUser : deviceUsers.get("User", Json::Value(Json::arrayValue)))
        users.append(hostUser(deviceUser));
    return true;
}

// Names are compared exactly: "Admin" is not "admin" on a device.
bool COnvifUserManager::getUserInfo(const char* name, Json::Value& user)
{
    Json::Value deviceUsers;
    if (!name || !readUsers(deviceUsers))
        return false;
    for (const Json::Value& deviceUser : deviceUsers.get("User", Json::Value(Json::arrayValue))) {
        if (memberText(deviceUser, "Username") == name) {
            user = hostUser(deviceUser);
            return true;
        }
    }
    return false;
}

bool COnvifUserManager::callWithOne(bool (*script)(const Zentar::Component::ServerInfo&, Json::Value&, Json::Value&),
                                    const char* arrayKey, const Json::Value& entry, const char* what)
{
    Json::Value request(Json::objectValue), result(Json::objectValue);
    request[arrayKey].append(entry);
    if (!script(*m_serverInfo, request, result)) {
        ONVIF_LOG(LOG_ERROR, "%s fail ip = %s\n", what, m_serverInfo->address.c_str());
        return false;
    }
    return true;
}

bool COnvifUserManager::addUser(const Json::Value& user)
{
    if (!user.isObject())
        return false;
    Json::Value entry(Json::objectValue);
    entry["Username"] = memberText(user, "Name");
    entry["Password"] = memberText(user, "Password");
    entry["UserLevel"] = levelOfGroup(memberText(user, "Group"));
    return callWithOne(createUsers, "User", entry, "createUsers");
}

bool COnvifUserManager::deleteUser(const char* name)
{
    return name && callWithOne(deleteUsers, "Username", Json::Value(name), "deleteUsers");
}

// An empty password changes the level only: no Password element goes out.
bool COnvifUserManager::modifyUser(const char* name, const Json::Value& user)
{
    if (!name || !user.isObject())
        return false;
    Json::Value entry(Json::objectValue);
    entry["Username"] = name;
    const std::string password = memberText(user, "Password");
    if (!password.empty())
        entry["Password"] = password;
    entry["UserLevel"] = levelOfGroup(memberText(user, "Group"));
    return callWithOne(setUsers, "User", entry, "setUsers");
}

// The device wants the level with every change, so the user is read first; an unknown
// user sends nothing.
bool COnvifUserManager::modifyPassword(const char* name, const char* newPassword, const char*)
{
    Json::Value current;
    if (!name || !newPassword || !getUserInfo(name, current)) {
        ONVIF_LOG(LOG_ERROR, "getUsers fail ip = %s\n", m_serverInfo->address.c_str());
        return false;
    }
    Json::Value entry(Json::objectValue);
    entry["Username"] = name;
    entry["Password"] = newPassword;
    entry["UserLevel"] = memberText(current, "Type");
    return callWithOne(setUsers, "User", entry, "setUsers");
}

} // namespace Onvif
} // namespace RPC
