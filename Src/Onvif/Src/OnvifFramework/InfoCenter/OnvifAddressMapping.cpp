#include "OnvifFramework/InfoCenter/OnvifAddressMapping.h"

#include <json/json.h>

#include "OnvifFramework/InfoCenter/OnvifInfoCenter.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
namespace Onvif {

std::string urlHost(const std::string& address)
{
    // Only IPv6 literals contain a colon; host names and IPv4 addresses never do.
    if (address.find(':') == std::string::npos || (!address.empty() && address.front() == '['))
        return address;
    return "[" + address + "]";
}

int defaultLoginPort(const Zentar::Component::ServerInfo& info) { return info.https ? 443 : 80; }

std::string loginAuthority(const Zentar::Component::ServerInfo& info)
{
    std::string authority = urlHost(info.address);
    if (info.port != 0 && info.port != defaultLoginPort(info))
        authority += ":" + std::to_string(info.port);
    return authority;
}

bool replaceUrlAuthority(const std::string& url, const std::string& authority, std::string& out)
{
    const size_t slashes = url.find("//");
    if (slashes == std::string::npos) {
        out = url;
        return false;
    }
    const size_t begin = slashes + 2;
    const size_t end = url.find('/', begin);
    out = url.substr(0, begin) + authority + (end == std::string::npos ? std::string() : url.substr(end));
    return true;
}

// ---- The centre's address operations: pure functions of the login record ----------

bool COnvifInfoCenter::makeDeviceServiceAddr(const ServerInfo& info, std::string& url)
{
    url = std::string(info.https ? "https://" : "http://") + loginAuthority(info) + "/onvif/device_service";
    ONVIF_LOG(LOG_INFO, "make addr:<%s>\n", url.c_str());
    return true;
}

bool COnvifInfoCenter::handleMapCapAddress(const ServerInfo& info, Json::Value& services)
{
    ONVIF_LOG(LOG_INFO, "handleMapCapAddress enter! remoteIP<%s>,input:%s\n", info.address.c_str(),
              services.toStyledString().c_str());
    const std::string authority = loginAuthority(info);
    if (services.isObject() && services["Service"].isObject()) {
        Json::Value& all = services["Service"];
        for (const std::string& name : all.getMemberNames()) {
            Json::Value& entry = all[name];
            if (!entry.isObject() || !entry["XAddr"].isString() || entry["XAddr"].asString().empty())
                continue;
            std::string mapped;
            if (replaceUrlAuthority(entry["XAddr"].asString(), authority, mapped))
                entry["XAddr"] = mapped;
        }
    }
    ONVIF_LOG(LOG_INFO, "handleMapCapAddress leave! remoteIP<%s>,input:%s\n", info.address.c_str(),
              services.toStyledString().c_str());
    return true;
}

bool COnvifInfoCenter::handleMapSteamURL(const ServerInfo& info, const std::string& url, std::string& newUrl,
                                         bool useLoginPort)
{
    // Media URIs always name their port: RTSP's default (554) is not the login's.
    const std::string authority =
        urlHost(info.address) + ":" + std::to_string(useLoginPort ? info.port : info.mediaPort);
    const bool ok = replaceUrlAuthority(url, authority, newUrl);
    ONVIF_LOG(LOG_INFO, "handleMapSteamURL over! remoteIP<%s>, Olduri:<%s>, SvrAddress:<%s>, Newurl:<%s>\n",
              info.address.c_str(), url.c_str(), authority.c_str(), newUrl.c_str());
    return ok;
}

bool COnvifInfoCenter::mapServiceUrl(const ServerInfo& info, const std::string& url, std::string& newUrl)
{
    if (info.mediaPort == 0) {
        newUrl = url;
        return true;
    }
    handleMapSteamURL(info, url, newUrl, true);
    return true;
}

} // namespace Onvif
} // namespace RPC
