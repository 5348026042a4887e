#pragma once
// What the PTZ and imaging service tests share: an answer envelope declaring the PTZ,
// imaging and schema prefixes (and other prefixes for the same namespaces, as some firmware
// writes), one command against a scripted loopback device, and a reader of what was sent
// that also checks each element's namespace.
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <string>

#include "onvif_media_test_support.h"
#include "OnvifProtocolCore/ImagingConfiguration/OnvifImagingCfg.h"
#include "OnvifProtocolCore/PTZControl/OnvifPTZControl.h"

namespace PtzTest {

using namespace MediaTest;

constexpr const char* kPtzNs = "http://www.onvif.org/ver20/ptz/wsdl";
constexpr const char* kImagingNs = "http://www.onvif.org/ver20/imaging/wsdl";
constexpr const char* kSchemaNs = "http://www.onvif.org/ver10/schema";

inline std::string ptzEnvelope(const std::string& body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
           "<env:Envelope xmlns:env=\"http://www.w3.org/2003/05/soap-envelope\" "
           "xmlns:tptz=\"http://www.onvif.org/ver20/ptz/wsdl\" xmlns:timg=\"http://www.onvif.org/ver20/imaging/wsdl\" "
           "xmlns:tt=\"http://www.onvif.org/ver10/schema\" xmlns:ns1=\"http://www.onvif.org/ver20/ptz/wsdl\" "
           "xmlns:ns2=\"http://www.onvif.org/ver10/schema\"><env:Body>" +
           body + "</env:Body></env:Envelope>";
}

// One command through the PTZ ("PTZ") or imaging ("Imaging") service object against a
// device that answers every request with `reply`.
inline Exchange runService(const std::string& service, const char* command, Json::Value req, const HttpReply& reply)
{
    LoopbackHttpServer server([&](const HttpRequest&, size_t) { return reply; });
    if (!req.isObject())
        req = Json::Value(Json::objectValue);
    req["XAddr"] = server.url("/onvif/ptz");
    Exchange ex;
    if (service == "Imaging")
        ex.ret = COnvifImagingCfg(mediaLogin()).execute(command, req, ex.rsp);
    else
        ex.ret = COnvifPTZControl(mediaLogin()).execute(command, req, ex.rsp);
    ex.requests = server.requests();
    return ex;
}

inline Exchange runService(const std::string& service, const char* command, const std::string& reqJson,
                           const std::string& answerBody)
{
    return runService(service, command, parseJson(reqJson), HttpReply::soap(200, ptzEnvelope(answerBody)));
}

inline std::string namespaceOf(pugi::xml_node node)
{
    const std::string name = node.name();
    const size_t colon = name.find(':');
    const std::string attribute = colon == std::string::npos ? "xmlns" : "xmlns:" + name.substr(0, colon);
    for (pugi::xml_node n = node; n; n = n.parent())
        if (pugi::xml_attribute a = n.attribute(attribute.c_str()))
            return a.value();
    return "";
}

inline std::string localName(pugi::xml_node node)
{
    const std::string name = node.name();
    const size_t colon = name.find(':');
    return colon == std::string::npos ? name : name.substr(colon + 1);
}

// What the request carried at "Velocity/PanTilt/@x" under the operation element ("[n]":
// the n-th element of that name). Children of the operation element must be in the
// service's namespace and deeper ones in the schema's, as the WSDL says; otherwise the
// answer is "<namespace>". "<absent>" when nothing is there.
inline std::string sentAt(const std::string& body, const std::string& path)
{
    pugi::xml_document doc;
    if (!doc.load_string(body.c_str()))
        return "<unparsable>";
    pugi::xml_node node = doc.document_element();
    pugi::xml_node bodyNode;
    for (pugi::xml_node c : node.children())
        if (localName(c) == "Body")
            bodyNode = c;
    node = bodyNode.first_child();
    const std::string serviceNs = namespaceOf(node);
    size_t begin = 0;
    for (int depth = 1; begin <= path.size(); ++depth) {
        const size_t slash = path.find('/', begin);
        std::string step = path.substr(begin, slash == std::string::npos ? std::string::npos : slash - begin);
        if (step[0] == '@') {
            pugi::xml_attribute a = node.attribute(step.substr(1).c_str());
            return a ? a.value() : "<absent>";
        }
        size_t index = 0;
        if (size_t open = step.find('['); open != std::string::npos) {
            index = std::stoul(step.substr(open + 1));
            step = step.substr(0, open);
        }
        pugi::xml_node found;
        for (pugi::xml_node c : node.children()) {
            if (c.type() == pugi::node_element && localName(c) == step && index-- == 0) {
                found = c;
                break;
            }
        }
        if (!found)
            return "<absent>";
        if (namespaceOf(found) != (depth == 1 ? serviceNs : std::string(kSchemaNs)))
            return "<namespace>";
        node = found;
        if (slash == std::string::npos)
            break;
        begin = slash + 1;
    }
    return node.text().get();
}

} // namespace PtzTest
