#include "Replay/ReplayNames.h"

#include "Description/Namespaces.h"
#include "Replay/KnownActions.h"

#include <cctype>

namespace OnvifSim {
namespace {

bool IsActionName(const std::string& s)
{
    if (s.empty() || !isalpha(static_cast<unsigned char>(s[0])))
        return false;
    for (char c : s)
        if (!isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '-')
            return false;
    return true;
}

// A suffix starts a new word, so GetProfiles is never read as GetProfile plus "s".
bool StartsSuffix(char c)
{
    return isupper(static_cast<unsigned char>(c)) || isdigit(static_cast<unsigned char>(c)) || c == '_' || c == '-';
}

std::string ServiceList()
{
    std::string list;
    for (const auto& info : ServiceCatalog())
        list += (list.empty() ? "" : ", ") + std::string(info.key);
    return list;
}

} // namespace

bool ParseAnswerFileName(const std::string& file, CAnswerName& out, std::string& reason)
{
    static const std::string ext = ".xml";
    size_t dot = file.find('.');
    bool shaped = file.size() > ext.size() && file.compare(file.size() - ext.size(), ext.size(), ext) == 0 &&
                  dot != std::string::npos && dot + ext.size() < file.size();
    std::string name = shaped ? file.substr(dot + 1, file.size() - ext.size() - dot - 1) : "";
    if (!shaped || !IsActionName(name)) {
        reason = "not of the form <service>.<Action>.xml";
        return false;
    }
    out.service = file.substr(0, dot);
    out.name = name;
    if (!FindService(out.service)) {
        reason = "unknown service \"" + out.service + "\" (one of " + ServiceList() + ", in lower case)";
        return false;
    }
    return true;
}

std::pair<std::string, std::string> SplitVariant(const std::string& service, const std::string& name,
                                                 const std::set<std::string>& siblings)
{
    if (IsKnownAction(service, name))
        return {name, ""};
    std::string known = LongestKnownActionPrefix(service, name);
    if (!known.empty() && StartsSuffix(name[known.size()]))
        return {known, name.substr(known.size())};
    // The shortest sibling wins, so A, AB and ABC are one action with variants B and BC.
    for (const auto& other : siblings)
        if (other.size() < name.size() && name.compare(0, other.size(), other) == 0 &&
            StartsSuffix(name[other.size()]))
            return {other, name.substr(other.size())};
    return {name, ""};
}

std::string ServiceForNamespace(const std::string& ns)
{
    if (ns == Ns::Wsnt)
        return "events";
    for (const auto& info : ServiceCatalog())
        if (ns == info.ns)
            return info.key;
    return {};
}

} // namespace OnvifSim
