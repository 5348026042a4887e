// The smallest recorder: logs in to one camera through the installed OnvifClient package,
// prints who it is and how many video channels it has, and logs out.
//   onvif-example-host HOST PORT USER PASSWORD
#include <cstdio>
#include <cstdlib>
#include <string>

#include "Component/ClientContext.h"
#include "Component/FactoryRegistry.h"
#include "Component/ServerInfo.h"
#include "IClient.h"
#include "ILogicDeviceManager.h"
#include "IMagicBox.h"
#include "Infra/LastError.h"
#include "OnvifExports.h"

using namespace Zentar::Component;

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s HOST PORT USER PASSWORD\n", argv[0]);
        return 2;
    }
    initLogPrinterLevel(0);   // fatal lines only on the console; a recorder has its own log
    initOnvifComponentLibrary();

    ServerInfo device;
    device.address = argv[1];
    device.port = static_cast<uint16_t>(std::atoi(argv[2]));
    device.userName = argv[3];
    device.password = argv[4];
    auto* client = dynamic_cast<IClient*>(getComponentInstance(IClient::kInterfaceName, "Onvif", &device));
    if (!client) {
        std::fprintf(stderr, "no ONVIF client component in the library\n");
        return 1;
    }
    int status = 1;
    {
        // Components made without a device record belong to the client of this scope.
        CClientContextScope scope(client, 1);
        if (!client->login()) {
            std::fprintf(stderr, "login to %s:%s failed (error 0x%08x)\n", argv[1], argv[2],
                         Zentar::Infra::getLastError());
        } else {
            auto* box = dynamic_cast<IMagicBox*>(getComponentInstance(IMagicBox::kInterfaceName, "Onvif", nullptr));
            auto* channels = dynamic_cast<ILogicDeviceManager*>(
                getComponentInstance(ILogicDeviceManager::kInterfaceName, "Onvif", nullptr));
            std::string vendor, model;
            int inputs = 0;
            if (box && channels && box->getVendor(vendor) && box->getDeviceType(model) &&
                channels->getVideoInputChannels(inputs)) {
                std::printf("%s %s, %d video channel(s)\n", vendor.c_str(), model.c_str(), inputs);
                status = 0;
            } else {
                std::fprintf(stderr, "reading the device failed (error 0x%08x)\n", Zentar::Infra::getLastError());
            }
            client->logout();
        }
    }
    client->destroy();
    return status;
}
