// users: the device's accounts through the user manager: list, add, remove, new password.
// The user manager speaks in host groups; the CLI lets the user speak in ONVIF levels.
#include <sstream>

#include "Commands.h"
#include "IUserManager.h"

namespace OnvifCli {

namespace {

using Zentar::Manager::IUserManager;

struct LevelGroup {
    const char* level;
    const char* group;
};
const LevelGroup kLevels[] = {{"Administrator", "admin"}, {"Operator", "operator"}, {"User", "user"}};

IUserManager* userManager(CCliHost& host, CommandResult& r)
{
    auto* users = host.component<IUserManager>(IUserManager::kInterfaceName);
    if (!users)
        r.error = "The library did not hand out the user manager for " + host.deviceLabel() + ".";
    return users;
}

// Why a change of accounts fails, in the words a user can act on.
std::string refusal(CCliHost& host, const std::string& what)
{
    return host.deviceLabel() + " refused to " + what + ". Only an administrator's account may manage users " +
           "(this is " + host.serverInfo().userName + "); --log-level 2 shows the device's answer.";
}

// The result of one change of accounts: done, or the device's refusal in words.
CommandResult changed(CCliHost& host, bool done, const std::string& refusedWhat, const char* key,
                      const std::string& name, const std::string& text)
{
    CommandResult r;
    if (!done) {
        r.error = refusal(host, refusedWhat);
        return r;
    }
    r.ok = true;
    r.data[key] = name;
    r.text = "  " + text + "\n";
    return r;
}

} // namespace

CommandResult runUsers(CCliHost& host)
{
    CommandResult r;
    IUserManager* users = userManager(host, r);
    if (!users)
        return r;
    Json::Value all;
    if (!users->getUserInfoAll(all)) {
        r.error = refusal(host, "list its users");
        return r;
    }
    std::ostringstream text;
    for (const Json::Value& user : all)
        text << "  " << user["Name"].asString() << "\t" << user["Type"].asString() << "\t(group "
             << user["Group"].asString() << ")\n";
    r.ok = true;
    r.data["Users"] = all;
    r.text = text.str();
    return r;
}

CommandResult runUserAdd(CCliHost& host, const std::string& name, const std::string& level,
                         const std::string& password)
{
    CommandResult r;
    IUserManager* users = userManager(host, r);
    if (!users)
        return r;
    const char* group = nullptr;
    for (const LevelGroup& row : kLevels)
        group = level == row.level ? row.group : group;
    if (!group) {
        r.error = "The level must be Administrator, Operator or User.";
        return r;
    }
    Json::Value user(Json::objectValue);
    user["Name"] = name;
    user["Password"] = password;
    user["Group"] = group;
    return changed(host, users->addUser(user), "create user " + name + " (or the name is taken, or the password too long)",
                   "Added", name, "added " + name + " (" + level + ")");
}

CommandResult runUserRemove(CCliHost& host, const std::string& name)
{
    CommandResult r;
    IUserManager* users = userManager(host, r);
    if (!users)
        return r;
    return changed(host, users->deleteUser(name.c_str()),
                   "remove user " + name + " (or there is no such user, or it is the last administrator)", "Removed",
                   name, "removed " + name);
}

CommandResult runUserPassword(CCliHost& host, const std::string& name, const std::string& password)
{
    CommandResult r;
    IUserManager* users = userManager(host, r);
    if (!users)
        return r;
    if (password.empty()) {
        r.error = "A new password is needed (--password).";
        return r;
    }
    return changed(host, users->modifyPassword(name.c_str(), password.c_str(), ""),
                   "change the password of " + name + " (or there is no such user)", "Changed", name,
                   "new password set for " + name);
}

} // namespace OnvifCli
