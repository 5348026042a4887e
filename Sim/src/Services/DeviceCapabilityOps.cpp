// GetCapabilities, GetServices and the device service's own capabilities. Only offered
// services appear, with addresses as the client should use them.
#include "Services/DeviceOps.h"
#include "Services/IoOps.h"

#include <algorithm>

namespace OnvifSim {
namespace {

void Flags(CXmlNode parent, std::initializer_list<std::pair<const char*, bool>> flags)
{
    for (const auto& [name, value] : flags)
        parent.sub(name, value ? "true" : "false");
}

void DeviceCaps(CCallContext& ctx, CXmlNode c)
{
    c.sub("XAddr", ctx.xaddr("device"));
    Flags(c.sub("Network"), {{"IPFilter", false}, {"ZeroConfiguration", false}, {"IPVersion6", false},
                             {"DynDNS", false}});
    CXmlNode system = c.sub("System");
    Flags(system, {{"DiscoveryResolve", true}, {"DiscoveryBye", true}, {"RemoteDiscovery", false},
                   {"SystemBackup", false}, {"SystemLogging", false}, {"FirmwareUpgrade", false}});
    CXmlNode version = system.sub("SupportedVersions");
    version.sub("Major", "2");
    version.sub("Minor", "60");
    CIoCounts n = IoCounts(ctx);
    CXmlNode connectors = c.sub("IO");
    connectors.sub("InputConnectors", std::to_string(n.inputs));
    connectors.sub("RelayOutputs", std::to_string(n.relays));
    Flags(c.sub("Security"), {{"TLS1.1", false}, {"TLS1.2", ctx.device().https}, {"OnboardKeyGeneration", false},
                              {"AccessPolicyConfig", false}, {"X.509Token", false}, {"SAMLToken", false},
                              {"KerberosToken", false}, {"RELToken", false}});
}

void MediaCaps(CCallContext& ctx, CXmlNode c)
{
    c.sub("XAddr", ctx.xaddr("media"));
    Flags(c.sub("StreamingCapabilities"), {{"RTPMulticast", false}, {"RTP_TCP", true}, {"RTP_RTSP_TCP", true}});
}

void EventCaps(CCallContext& ctx, CXmlNode c)
{
    c.sub("XAddr", ctx.xaddr("events"));
    Flags(c, {{"WSSubscriptionPolicySupport", false}, {"WSPullPointSupport", true},
              {"WSPausableSubscriptionManagerInterfaceSupport", false}});
}

void AnalyticsCaps(CCallContext& ctx, CXmlNode c)
{
    c.sub("XAddr", ctx.xaddr("analytics"));
    Flags(c, {{"RuleSupport", true}, {"AnalyticsModuleSupport", true}});
}

void ImagingCaps(CCallContext& ctx, CXmlNode c) { c.sub("XAddr", ctx.xaddr("imaging")); }
void PtzCaps(CCallContext& ctx, CXmlNode c) { c.sub("XAddr", ctx.xaddr("ptz")); }

void WriteDeviceIOExtension(CCallContext& ctx, CXmlNode io)
{
    CIoCounts n = IoCounts(ctx);
    io.sub("XAddr", ctx.xaddr("deviceio"));
    io.sub("VideoSources", std::to_string(n.videoSources));
    io.sub("VideoOutputs", std::to_string(n.videoOutputs));
    io.sub("AudioSources", std::to_string(n.audioSources));
    io.sub("AudioOutputs", std::to_string(n.audioOutputs));
    io.sub("RelayOutputs", std::to_string(n.relays));
}

struct CCategory {
    const char* name;      // category, and element name in tt:Capabilities
    const char* service;
    void (*write)(CCallContext&, CXmlNode);
};

// In the element order of tt:Capabilities.
const CCategory kCategories[] = {
    {"Analytics", "analytics", &AnalyticsCaps}, {"Device", "device", &DeviceCaps},
    {"Events", "events", &EventCaps},          {"Imaging", "imaging", &ImagingCaps},
    {"Media", "media", &MediaCaps},            {"PTZ", "ptz", &PtzCaps},
};

// Services that have no category of their own appear under Extension when All is asked.
void WriteExtension(CCallContext& ctx, CXmlNode caps)
{
    bool any = false;
    for (const char* key : {"deviceio", "recording", "search", "replay"})
        any = any || !ctx.xaddr(key).empty();
    if (!any)
        return;
    CXmlNode ext = caps.sub("Extension");
    if (!ctx.xaddr("deviceio").empty())
        WriteDeviceIOExtension(ctx, ext.sub("DeviceIO"));
    if (!ctx.xaddr("recording").empty()) {
        CXmlNode rec = ext.sub("Recording");
        rec.sub("XAddr", ctx.xaddr("recording"));
        Flags(rec, {{"ReceiverSource", false}, {"MediaProfileSource", true}, {"DynamicRecordings", false},
                    {"DynamicTracks", false}});
        rec.sub("MaxStringLength", "64");
    }
    if (!ctx.xaddr("search").empty()) {
        CXmlNode search = ext.sub("Search");
        search.sub("XAddr", ctx.xaddr("search"));
        search.sub("MetadataSearch", "false");
    }
    if (!ctx.xaddr("replay").empty())
        ext.sub("Replay").sub("XAddr", ctx.xaddr("replay"));
}

} // namespace

void GetCapabilities(CCallContext& ctx)
{
    std::vector<std::string> asked;
    for (pugi::xml_node c : Children(ctx.input(), "Category"))
        asked.push_back(Trimmed(c.text().get()));
    bool all = asked.empty();
    for (const auto& name : asked) {
        bool known = name == "All";
        all = all || known;
        for (const auto& cat : kCategories)
            if (name == cat.name) {
                known = true;
                if (ctx.xaddr(cat.service).empty())
                    throw CSoapFault::Receiver({"ActionNotSupported", "NoSuchService"},
                                               "The device does not offer the " + name + " service");
            }
        if (!known)
            throw CSoapFault::Receiver({"ActionNotSupported", "NoSuchService"}, "Unknown category " + name);
    }
    CXmlNode caps = ctx.respond().add(Ns::Device, "Capabilities");
    for (const auto& cat : kCategories) {
        bool wanted = all ? !ctx.xaddr(cat.service).empty()
                          : std::find(asked.begin(), asked.end(), cat.name) != asked.end();
        if (wanted)
            cat.write(ctx, caps.add(Ns::Schema, cat.name));
    }
    if (all)
        WriteExtension(ctx, caps);
}

void GetServices(CCallContext& ctx)
{
    bool withCapabilities = false;
    std::string flag = ChildText(ctx.input(), "IncludeCapability");
    if (!flag.empty() && !ParseXsBoolean(flag, withCapabilities))
        throw CSoapFault::Sender({"InvalidArgVal"}, "IncludeCapability must be a boolean");
    CXmlNode out = ctx.respond();
    for (const auto& info : ServiceCatalog()) {
        if (ctx.xaddr(info.key).empty())
            continue;
        CXmlNode service = out.sub("Service");
        service.sub("Namespace", info.ns);
        service.sub("XAddr", ctx.xaddr(info.key));
        const CServiceHandler* handler = FindServiceHandler(info.key);
        if (withCapabilities && handler && handler->writeCapabilities)
            handler->writeCapabilities(ctx, service.sub("Capabilities"));
        CXmlNode version = service.sub("Version");
        version.add(Ns::Schema, "Major", std::to_string(info.versionMajor));
        version.add(Ns::Schema, "Minor", std::to_string(info.versionMinor));
    }
}

// The tds:Capabilities element; its Security flags follow the device's authentication mode
// so a client choosing its method from them chooses one the device accepts.
void WriteDeviceServiceCapabilities(CCallContext& ctx, CXmlNode parent)
{
    const CDeviceDescription& d = ctx.device();
    auto flag = [](bool b) { return b ? "true" : "false"; };
    CXmlNode caps = parent.add(Ns::Device, "Capabilities");
    caps.sub("Network").attr("IPFilter", "false").attr("ZeroConfiguration", "false")
        .attr("IPVersion6", "false").attr("DynDNS", "false").attr("NTP", "0");
    bool wsse = d.authMode == EAuthMode::Wsse || d.authMode == EAuthMode::Either;
    bool digest = d.authMode == EAuthMode::Digest || d.authMode == EAuthMode::Either;
    caps.sub("Security").attr("TLS1.2", flag(d.https)).attr("UsernameToken", flag(wsse))
        .attr("HttpDigest", flag(digest)).attr("MaxUsers", "16");
    caps.sub("System").attr("DiscoveryResolve", "true").attr("DiscoveryBye", "true")
        .attr("RemoteDiscovery", "false").attr("SystemBackup", "false").attr("SystemLogging", "false")
        .attr("HttpFirmwareUpgrade", "false");
}

void GetServiceCapabilities(CCallContext& ctx)
{
    WriteDeviceServiceCapabilities(ctx, ctx.respond());
}

} // namespace OnvifSim
