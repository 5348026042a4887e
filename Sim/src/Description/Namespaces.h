#pragma once
// Namespace URIs the simulator writes and reads, and the table of services it knows.
#include <string>
#include <vector>

namespace OnvifSim {
namespace Ns {
constexpr const char* Soap12 = "http://www.w3.org/2003/05/soap-envelope";
constexpr const char* Soap11 = "http://schemas.xmlsoap.org/soap/envelope/";
constexpr const char* Schema = "http://www.onvif.org/ver10/schema";
constexpr const char* Error = "http://www.onvif.org/ver10/error";
constexpr const char* Device = "http://www.onvif.org/ver10/device/wsdl";
constexpr const char* Media = "http://www.onvif.org/ver10/media/wsdl";
constexpr const char* Media2 = "http://www.onvif.org/ver20/media/wsdl";
constexpr const char* Ptz = "http://www.onvif.org/ver20/ptz/wsdl";
constexpr const char* Imaging = "http://www.onvif.org/ver20/imaging/wsdl";
constexpr const char* Events = "http://www.onvif.org/ver10/events/wsdl";
constexpr const char* Analytics = "http://www.onvif.org/ver20/analytics/wsdl";
constexpr const char* DeviceIO = "http://www.onvif.org/ver10/deviceIO/wsdl";
constexpr const char* Recording = "http://www.onvif.org/ver10/recording/wsdl";
constexpr const char* Search = "http://www.onvif.org/ver10/search/wsdl";
constexpr const char* Replay = "http://www.onvif.org/ver10/replay/wsdl";
constexpr const char* Wsse = "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-secext-1.0.xsd";
constexpr const char* Wsu = "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-utility-1.0.xsd";
constexpr const char* Wsnt = "http://docs.oasis-open.org/wsn/b-2";
constexpr const char* Wsa = "http://www.w3.org/2005/08/addressing";
constexpr const char* Xml = "http://www.w3.org/XML/1998/namespace";
} // namespace Ns

struct CServiceInfo {
    const char* key;           // name used in descriptions: "device", "media" ...
    const char* ns;            // service namespace
    const char* defaultPath;
    int versionMajor;
    int versionMinor;
    const char* category;      // GetCapabilities category or "" when it has none
};

// Every service the simulator can advertise, in the order answers list them.
const std::vector<CServiceInfo>& ServiceCatalog();
const CServiceInfo* FindService(const std::string& key);

// Namespaces with a fixed place in the prefix presets, in numbering order for "ns".
struct CNamespacePrefix {
    const char* uri;
    const char* ttPrefix;
    const char* onvifPrefix;
};
const std::vector<CNamespacePrefix>& KnownNamespaces();

} // namespace OnvifSim
