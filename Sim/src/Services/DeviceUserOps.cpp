// User accounts. The accounts are the live description's users, so a created user can log
// in with its next request, and its level decides what it may call from then on. A batch
// is checked whole before anything changes.
#include "Services/DeviceAdminOps.h"

#include <algorithm>

namespace OnvifSim {
namespace {

constexpr size_t kMaxUsers = 16;
constexpr size_t kMaxNameLength = 32;
constexpr size_t kMaxPasswordLength = 64;

const char* LevelText(EUserLevel level)
{
    switch (level) {
    case EUserLevel::Administrator:
        return "Administrator";
    case EUserLevel::Operator:
        return "Operator";
    default:
        return "User";
    }
}

EUserLevel ReadLevel(const std::string& text)
{
    if (text == "Administrator")
        return EUserLevel::Administrator;
    if (text == "Operator")
        return EUserLevel::Operator;
    if (text == "User")
        return EUserLevel::User;
    if (text == "Anonymous")
        throw CSoapFault::Sender({"InvalidArgVal", "AnonymousNotAllowed"}, "anonymous users cannot be made");
    throw CSoapFault::Sender({"InvalidArgVal"}, "UserLevel \"" + text + "\" is not supported");
}

std::vector<CSimUser>::iterator FindUser(std::vector<CSimUser>& users, const std::string& name)
{
    return std::find_if(users.begin(), users.end(), [&](const CSimUser& u) { return u.name == name; });
}

void CheckPassword(const std::string& password)
{
    if (password.size() > kMaxPasswordLength)
        throw CSoapFault::Sender({"OperationProhibited", "PasswordTooLong"}, "password too long");
}

// The device must keep an account that can administer it.
void CheckAdministratorLeft(const std::vector<CSimUser>& users)
{
    if (std::none_of(users.begin(), users.end(), [](const CSimUser& u) { return u.level == EUserLevel::Administrator; }))
        throw CSoapFault::Sender({"InvalidArgVal", "FixedUser"}, "the last administrator cannot go");
}

std::vector<pugi::xml_node> UserEntries(CCallContext& ctx)
{
    std::vector<pugi::xml_node> entries = Children(ctx.input(), "User");
    if (entries.empty())
        throw CSoapFault::Sender({"InvalidArgVal"}, "at least one User is required");
    return entries;
}

} // namespace

void GetUsers(CCallContext& ctx)
{
    CXmlNode out = ctx.respond();
    // Passwords never leave the device.
    for (const CSimUser& user : ctx.device().users) {
        CXmlNode n = out.sub("User");
        n.add(Ns::Schema, "Username", user.name);
        n.add(Ns::Schema, "UserLevel", LevelText(user.level));
    }
}

void CreateUsers(CCallContext& ctx)
{
    std::vector<CSimUser> users = ctx.device().users;
    for (pugi::xml_node entry : UserEntries(ctx)) {
        CSimUser user;
        user.name = ChildText(entry, "Username");
        user.password = ChildText(entry, "Password");
        if (user.name.empty())
            throw CSoapFault::Sender({"OperationProhibited", "UsernameTooShort"}, "empty user name");
        if (user.name.size() > kMaxNameLength)
            throw CSoapFault::Sender({"OperationProhibited", "UsernameTooLong"}, "user name too long");
        if (FindUser(users, user.name) != users.end())
            throw CSoapFault::Sender({"OperationProhibited", "UsernameClash"}, "user " + user.name + " exists");
        CheckPassword(user.password);
        user.level = ReadLevel(ChildText(entry, "UserLevel"));
        users.push_back(user);
    }
    if (users.size() > kMaxUsers)
        throw CSoapFault::Receiver({"Action", "TooManyUsers"}, "no room for more users");
    ctx.state().current.users = users;
    ctx.respond();
}

void DeleteUsers(CCallContext& ctx)
{
    std::vector<CSimUser> users = ctx.device().users;
    std::vector<pugi::xml_node> names = Children(ctx.input(), "Username");
    if (names.empty())
        throw CSoapFault::Sender({"InvalidArgVal"}, "at least one Username is required");
    for (pugi::xml_node n : names) {
        auto it = FindUser(users, Trimmed(n.text().get()));
        if (it == users.end())
            throw CSoapFault::Sender({"InvalidArgVal", "UsernameMissing"}, "no user " + Trimmed(n.text().get()));
        users.erase(it);
    }
    CheckAdministratorLeft(users);
    ctx.state().current.users = users;
    ctx.respond();
}

void SetUser(CCallContext& ctx)
{
    std::vector<CSimUser> users = ctx.device().users;
    for (pugi::xml_node entry : UserEntries(ctx)) {
        auto it = FindUser(users, ChildText(entry, "Username"));
        if (it == users.end())
            throw CSoapFault::Sender({"InvalidArgVal", "UsernameMissing"}, "no user " + ChildText(entry, "Username"));
        // A change of level alone comes without a password: the old one stays.
        if (Child(entry, "Password")) {
            CheckPassword(ChildText(entry, "Password"));
            it->password = ChildText(entry, "Password");
        }
        if (Child(entry, "UserLevel"))
            it->level = ReadLevel(ChildText(entry, "UserLevel"));
    }
    CheckAdministratorLeft(users);
    ctx.state().current.users = users;
    ctx.respond();
}

} // namespace OnvifSim
