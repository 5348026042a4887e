// Factory registry, typed creation, device identity and the per-thread client context.
#include "Component/ClientContext.h"
#include "Component/ComponentHelper.h"
#include "Component/FactoryRegistry.h"
#include "Component/ServerInfo.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace Zentar {
namespace Component {
namespace {

const CVersion kTestVersion = {"PlatformTest", 1, 2, 3, "r3", "2024-01-01"};

class ITestWidget : public IUnknown {
public:
    virtual int id() const = 0;
};

class CTestWidget : public ITestWidget {
public:
    explicit CTestWidget(int id) : m_id(id) {}
    int id() const override { return m_id; }

private:
    int m_id;
};

class COtherComponent : public IUnknown {};

// Hands out one owned instance and records what it was asked with.
class CTestFactory : public IFactoryUnknown {
public:
    CTestFactory(const char* interfaceName, const char* classID, int id)
        : IFactoryUnknown(interfaceName, classID, kTestVersion), m_widget(id)
    {
    }
    IUnknown* create(const ServerInfo* info) override
    {
        ++m_creates;
        m_lastInfo = info;
        return &m_widget;
    }
    int creates() const { return m_creates; }
    const ServerInfo* lastInfo() const { return m_lastInfo; }

private:
    CTestWidget m_widget;
    std::atomic<int> m_creates{0};
    const ServerInfo* m_lastInfo = nullptr;
};

class COtherFactory : public IFactoryUnknown {
public:
    COtherFactory() : IFactoryUnknown("PlatformTest.Other", "Plain", kTestVersion) {}
    IUnknown* create(const ServerInfo*) override { return &m_other; }

private:
    COtherComponent m_other;
};

// A factory whose create() uses the registry itself: must not deadlock.
class CReentrantFactory : public IFactoryUnknown {
public:
    CReentrantFactory() : IFactoryUnknown("PlatformTest.Reentrant", "R", kTestVersion) {}
    IUnknown* create(const ServerInfo* info) override
    {
        return getComponentInstance("PlatformTest.Widget", "B", info);
    }
};

// Names are unique to this file so other suites' factories cannot collide.
class PlatformRegistry : public ::testing::Test {
protected:
    CTestFactory m_a{"PlatformTest.Widget", "A", 1};
    CTestFactory m_b{"PlatformTest.Widget", "B", 2};
};

TEST_F(PlatformRegistry, RegistersAndFindsByNameAndClassID)
{
    const size_t before = factoryCount();
    ASSERT_TRUE(registerFactory(&m_a));
    ASSERT_TRUE(registerFactory(&m_b));
    EXPECT_EQ(factoryCount(), before + 2);

    EXPECT_EQ(findFactory("PlatformTest.Widget", "A"), &m_a);
    EXPECT_EQ(findFactory("PlatformTest.Widget", "B"), &m_b);
    EXPECT_EQ(findFactory("PlatformTest.Widget", nullptr), &m_a); // first registered
    EXPECT_EQ(findFactory("PlatformTest.Widget", "C"), nullptr);
    EXPECT_EQ(findFactory("PlatformTest.Nothing", nullptr), nullptr);
    EXPECT_EQ(findFactory(nullptr, "A"), nullptr);

    IFactoryUnknown* found = findFactory("PlatformTest.Widget", "B");
    ASSERT_NE(found, nullptr);
    EXPECT_STREQ(found->getInterfaceName(), "PlatformTest.Widget");
    EXPECT_STREQ(found->getClassID(), "B");
    EXPECT_EQ(found->getVersion().major, 1);
    EXPECT_STREQ(found->getVersion().revisionText, "r3");

    EXPECT_TRUE(unregisterFactory(&m_a));
    EXPECT_TRUE(unregisterFactory(&m_b));
    EXPECT_EQ(factoryCount(), before);
}

TEST_F(PlatformRegistry, RefusesTheSamePairTwice)
{
    CTestFactory duplicate("PlatformTest.Widget", "A", 9);
    ASSERT_TRUE(registerFactory(&m_a));
    EXPECT_FALSE(registerFactory(&m_a));       // same object
    EXPECT_FALSE(registerFactory(&duplicate)); // same pair, other object
    EXPECT_EQ(findFactory("PlatformTest.Widget", "A"), &m_a);
    EXPECT_FALSE(registerFactory(nullptr));
    CTestFactory unnamed("", "A", 0);
    EXPECT_FALSE(registerFactory(&unnamed));
    EXPECT_TRUE(unregisterFactory(&m_a));
}

TEST_F(PlatformRegistry, UnregisterRemovesOnlyThatFactory)
{
    ASSERT_TRUE(registerFactory(&m_a));
    ASSERT_TRUE(registerFactory(&m_b));
    EXPECT_TRUE(unregisterFactory(&m_a));
    EXPECT_FALSE(unregisterFactory(&m_a)); // already gone
    EXPECT_EQ(findFactory("PlatformTest.Widget", "A"), nullptr);
    EXPECT_EQ(findFactory("PlatformTest.Widget", nullptr), &m_b);
    EXPECT_TRUE(registerFactory(&m_a)); // may come back after leaving
    EXPECT_TRUE(unregisterFactory(&m_a));
    EXPECT_TRUE(unregisterFactory(&m_b));
}

TEST_F(PlatformRegistry, DestroyedFactoryLeavesTheRegistry)
{
    const size_t before = factoryCount();
    {
        CTestFactory scoped("PlatformTest.Scoped", "S", 5);
        ASSERT_TRUE(registerFactory(&scoped));
        EXPECT_EQ(factoryCount(), before + 1);
    }
    EXPECT_EQ(factoryCount(), before);
    EXPECT_EQ(findFactory("PlatformTest.Scoped", "S"), nullptr);
}

TEST_F(PlatformRegistry, CreatesTypedInstances)
{
    ASSERT_TRUE(registerFactory(&m_a));
    ASSERT_TRUE(registerFactory(&m_b));
    COtherFactory other;
    ASSERT_TRUE(registerFactory(&other));

    ServerInfo info;
    info.address = "127.0.0.1";
    ITestWidget* widget =
        CComponentHelper::createInstance<ITestWidget>("PlatformTest.Widget", "B", &info);
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->id(), 2);
    EXPECT_EQ(m_b.lastInfo(), &info);
    EXPECT_EQ(m_a.creates(), 0);

    EXPECT_EQ(CComponentHelper::createInstance<ITestWidget>("PlatformTest.Widget", "Z", &info),
              nullptr); // no such factory
    EXPECT_EQ(CComponentHelper::createInstance<ITestWidget>("PlatformTest.Other", "Plain", &info),
              nullptr); // wrong type
    EXPECT_NE(getComponentInstance("PlatformTest.Other", "Plain", nullptr), nullptr);
}

TEST_F(PlatformRegistry, FactoryMayUseTheRegistryFromCreate)
{
    ASSERT_TRUE(registerFactory(&m_b));
    CReentrantFactory reentrant;
    ASSERT_TRUE(registerFactory(&reentrant));
    auto* widget = CComponentHelper::createInstance<ITestWidget>("PlatformTest.Reentrant", "R",
                                                                nullptr);
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->id(), 2);
}

TEST_F(PlatformRegistry, ConcurrentRegistrationIsConsistent)
{
    // Every thread tries to register every factory; each pair must end up exactly once.
    const int kThreads = 6;
    const int kFactories = 40;
    std::vector<std::unique_ptr<CTestFactory>> factories;
    std::vector<std::unique_ptr<CTestFactory>> rivals; // same pairs, other objects
    for (int i = 0; i < kFactories; ++i) {
        const std::string id = std::to_string(i);
        factories.emplace_back(new CTestFactory("PlatformTest.Concurrent", id.c_str(), i));
        rivals.emplace_back(new CTestFactory("PlatformTest.Concurrent", id.c_str(), -i));
    }
    const size_t before = factoryCount();
    std::atomic<int> successes{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kFactories; ++i) {
                CTestFactory* f = (t % 2 == 0) ? factories[i].get() : rivals[i].get();
                if (registerFactory(f)) {
                    ++successes;
                }
                findFactory("PlatformTest.Concurrent", nullptr);
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(successes.load(), kFactories);
    EXPECT_EQ(factoryCount(), before + kFactories);
    for (int i = 0; i < kFactories; ++i) {
        IFactoryUnknown* found = findFactory("PlatformTest.Concurrent", std::to_string(i).c_str());
        EXPECT_TRUE(found == factories[i].get() || found == rivals[i].get()) << i;
    }
    factories.clear(); // destructors unregister whichever won
    rivals.clear();
    EXPECT_EQ(factoryCount(), before);
}

// ---- ServerInfo -------------------------------------------------------------------

TEST(PlatformServerInfo, SameDeviceComparesOnlyTheRecordKey)
{
    ServerInfo base;
    base.address = "192.0.2.10";
    base.port = 8080;
    base.mediaPort = 554;
    base.https = true;
    base.key5 = 7;
    base.userName = "admin";
    base.password = "secret";

    ServerInfo other = base;
    other.userName = "operator";
    other.password = "changed";
    other.loginMode = 3;
    other.transport = 2;
    EXPECT_TRUE(sameDevice(base, other)); // credentials/options are not identity

    const std::function<void(ServerInfo&)> kDifferences[] = {
        [](ServerInfo& s) { s.address = "192.0.2.11"; },
        [](ServerInfo& s) { s.port = 80; },
        [](ServerInfo& s) { s.mediaPort = 0; },
        [](ServerInfo& s) { s.https = false; },
        [](ServerInfo& s) { s.key5 = 8; },
    };
    for (const auto& change : kDifferences) {
        ServerInfo changed = base;
        change(changed);
        EXPECT_FALSE(sameDevice(base, changed));
        EXPECT_FALSE(sameDevice(changed, base));
    }
}

// ---- ClientContext ----------------------------------------------------------------

TEST(PlatformClientContext, ScopesNestAndRestore)
{
    COtherComponent outerClient;
    COtherComponent innerClient;
    ASSERT_EQ(getCurrentClient(), nullptr);
    ASSERT_EQ(getCurrentUserID(), 0);
    {
        CClientContextScope outer(&outerClient, 5);
        EXPECT_EQ(getCurrentClient(), &outerClient);
        EXPECT_EQ(getCurrentUserID(), 5);
        {
            CClientContextScope inner(&innerClient, 9);
            EXPECT_EQ(getCurrentClient(), &innerClient);
            EXPECT_EQ(getCurrentUserID(), 9);
        }
        EXPECT_EQ(getCurrentClient(), &outerClient);
        EXPECT_EQ(getCurrentUserID(), 5);
    }
    EXPECT_EQ(getCurrentClient(), nullptr);
    EXPECT_EQ(getCurrentUserID(), 0);
}

TEST(PlatformClientContext, IsPerThread)
{
    COtherComponent client;
    setCurrentClient(&client);
    setCurrentUserID(3);
    IUnknown* seenClient = &client;
    int seenUser = -1;
    std::thread other([&] {
        seenClient = getCurrentClient();
        seenUser = getCurrentUserID();
    });
    other.join();
    EXPECT_EQ(seenClient, nullptr);
    EXPECT_EQ(seenUser, 0);
    EXPECT_EQ(getCurrentClient(), &client);
    EXPECT_EQ(getCurrentUserID(), 3);
    setCurrentClient(nullptr);
    setCurrentUserID(0);
}

} // namespace
} // namespace Component
} // namespace Zentar
