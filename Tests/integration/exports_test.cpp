// The library as the host loads it: C entry points found by name in the shared
// library, factories registered once per process however often init is called.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include "Component/FactoryRegistry.h"
#include "Component/Unknown.h"
#include "Components/OnvifFactoryTable.h"
#include "OnvifExports.h"
#include "OnvifFramework/Utility/OnvifBaseComm.h"

using namespace RPC::Onvif;

namespace {

TEST(LibraryExports, EntryPointsHaveCLinkageInTheSharedLibrary)
{
    void* lib = dlopen(ONVIF_CLIENT_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(nullptr, lib) << dlerror();
    const char* names[] = {"initOnvifComponentLibrary", "initOnvifInstanceObjs", "setOnvifOptions",
                           "setOnvifMsgTimeout", "setOnvifVirtualAlarm", "initLogPrinterLevel",
                           "initAsynLoginThreadNum", "getThirdDeviceInterVesion"};
    for (const char* name : names)
        EXPECT_NE(nullptr, dlsym(lib, name)) << name << " not exported unmangled";
    using VersionFn = int (*)();
    auto version = reinterpret_cast<VersionFn>(dlsym(lib, "getThirdDeviceInterVesion"));
    ASSERT_NE(nullptr, version);
    EXPECT_EQ(1643714, version());
    dlclose(lib);
}

TEST(LibraryExports, InitTwiceRegistersOnceAndKeepsTheSingleObjects)
{
    initOnvifComponentLibrary();
    size_t factories = Zentar::Component::factoryCount();
    COnvifBaseComm* core = COnvifBaseComm::instance();
    initOnvifComponentLibrary();
    EXPECT_EQ(factories, Zentar::Component::factoryCount());
    EXPECT_EQ(core, COnvifBaseComm::instance());
}

TEST(LibraryExports, SettersReachTheExchangeCore)
{
    COnvifBaseComm* core = COnvifBaseComm::instance();
    core->resetOptions();
    EXPECT_FALSE(setOnvifMsgTimeout(0, 100, 100));
    EXPECT_TRUE(setOnvifMsgTimeout(1500, 1600, 7000));
    EXPECT_EQ(7000, core->getRecvTimeout());
    Json::Value options;
    options["EventSubscribeType"] = 1;
    EXPECT_TRUE(setOnvifOptions(options));
    EXPECT_EQ(1, core->getEventSubscribeType());
    EXPECT_TRUE(setOnvifVirtualAlarm("192.0.2.10", 8090));
    EXPECT_EQ("192.0.2.10", core->getVirtualAlarm().first);
    EXPECT_EQ(8090, core->getVirtualAlarm().second);
    EXPECT_TRUE(setOnvifVirtualAlarm(nullptr, 0));
    EXPECT_EQ("", core->getVirtualAlarm().first);
    EXPECT_EQ(5, initLogPrinterLevel(5));
    EXPECT_EQ(2, initLogPrinterLevel(2));
    core->resetOptions();
}

// ---- the registration table ------------------------------------------------------------

class CTestFactory : public Zentar::Component::IFactoryUnknown {
public:
    CTestFactory(const char* name, const char* classID)
        : IFactoryUnknown(name, classID, Zentar::Component::CVersion{"Test", 1, 0, 0, "", ""})
    {
    }
    Zentar::Component::IUnknown* create(const Zentar::Component::ServerInfo*) override { return nullptr; }
};

int g_made = 0;
Zentar::Component::IFactoryUnknown* makeA()
{
    ++g_made;
    return new CTestFactory("TestTable::A", "Onvif");
}
Zentar::Component::IFactoryUnknown* makeB()
{
    ++g_made;
    return new CTestFactory("TestTable::B", "Onvif.Other");
}

TEST(FactoryTable, EachRowRegisteredOncePerProcessInOrder)
{
    const OnvifFactoryRow rows[] = {
        {"A", "TestTable::A", "Onvif", makeA},
        {"NotBuilt", "TestTable::C", "Onvif", nullptr},
        {"B", "TestTable::B", "Onvif.Other", makeB},
    };
    bool registered[3] = {};
    size_t before = Zentar::Component::factoryCount();
    EXPECT_EQ(2u, registerFactoryTable(rows, 3, registered));
    EXPECT_EQ(0u, registerFactoryTable(rows, 3, registered));
    EXPECT_EQ(2, g_made) << "no factory object is made for a row already registered";
    EXPECT_EQ(before + 2, Zentar::Component::factoryCount());
    EXPECT_TRUE(registered[0]);
    EXPECT_FALSE(registered[1]);
    EXPECT_NE(nullptr, Zentar::Component::findFactory("TestTable::B", "Onvif.Other"));
    EXPECT_EQ(nullptr, Zentar::Component::findFactory("TestTable::C", nullptr));

    // A second table naming the same pair (another copy of the library's flags) is refused
    // by the framework and its factory object does not leak.
    bool otherFlags[3] = {};
    EXPECT_EQ(0u, registerFactoryTable(rows, 1, otherFlags));
    EXPECT_EQ(before + 2, Zentar::Component::factoryCount());
}

} // namespace
