// Global exchange options, name dispatch of the service classes, namespace tables.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "OnvifFramework/Utility/AsyncLoginLimit.h"
#include "OnvifFramework/Utility/OnvifBaseComm.h"
#include "OnvifFramework/Utility/OnvifNamespaces.h"
#include "OnvifFramework/Utility/OnvifProtoCore.h"

using namespace RPC::Onvif;

namespace {

struct BaseCommTest : ::testing::Test {
    COnvifBaseComm& comm = *COnvifBaseComm::instance();
    void SetUp() override { comm.resetOptions(); }
    void TearDown() override { comm.resetOptions(); }
};

TEST_F(BaseCommTest, DefaultsAreThoseDevicesAreTunedFor)
{
    EXPECT_EQ(2000, comm.getConnectTimeout());
    EXPECT_EQ(2000, comm.getSendTimeout());
    EXPECT_EQ(5000, comm.getRecvTimeout());
    EXPECT_EQ(0, comm.getMediaType());
    EXPECT_EQ(0, comm.getAuthType());
    EXPECT_EQ(0, comm.getRecordingSearchType());
    EXPECT_EQ(0, comm.getEventSubscribeType());
}

TEST_F(BaseCommTest, ZeroTimeoutIsRefusedAndOldValuesKept)
{
    ASSERT_TRUE(comm.setSOAPTimeout(1000, 1500, 3000));
    const int bad[][3] = {{0, 1, 1}, {1, 0, 1}, {1, 1, 0}, {0, 0, 0}};
    for (const auto& t : bad) {
        EXPECT_FALSE(comm.setSOAPTimeout(t[0], t[1], t[2]));
        EXPECT_EQ(1000, comm.getConnectTimeout());
        EXPECT_EQ(1500, comm.getSendTimeout());
        EXPECT_EQ(3000, comm.getRecvTimeout());
    }
}

struct OptionCase {
    const char* json;
    bool ok;
    int media, auth, search, subscribe;
};

class OptionTable : public BaseCommTest, public ::testing::WithParamInterface<OptionCase> {};

TEST_P(OptionTable, AppliesKeysInOrderUntilTheFirstInvalidOne)
{
    const OptionCase& c = GetParam();
    Json::Value options;
    ASSERT_TRUE(Json::Reader().parse(c.json, options)) << c.json;
    EXPECT_EQ(c.ok, comm.setOnvifOptionCfg(options)) << c.json;
    EXPECT_EQ(c.media, comm.getMediaType()) << c.json;
    EXPECT_EQ(c.auth, comm.getAuthType()) << c.json;
    EXPECT_EQ(c.search, comm.getRecordingSearchType()) << c.json;
    EXPECT_EQ(c.subscribe, comm.getEventSubscribeType()) << c.json;
}

INSTANTIATE_TEST_SUITE_P(
    Records, OptionTable,
    ::testing::Values(
        OptionCase{R"({"MediaType":1,"AuthType":2,"RecordingSearchType":2,"EventSubscribeType":1})", true, 1, 2, 2, 1},
        // AuthType 3 stops processing after MediaType was applied; later keys are not reached.
        OptionCase{R"({"MediaType":2,"AuthType":3,"EventSubscribeType":1})", false, 2, 0, 0, 0},
        OptionCase{R"({"MediaType":-1,"AuthType":1})", false, 0, 0, 0, 0},
        OptionCase{R"({"EventSubscribeType":2})", false, 0, 0, 0, 0},
        OptionCase{R"({"RecordingSearchType":3})", false, 0, 0, 0, 0},
        // Not integers, or unknown keys: ignored.
        OptionCase{R"({"MediaType":"1","AuthType":true,"Other":5})", true, 0, 0, 0, 0},
        OptionCase{R"({"AuthType":1.5})", true, 0, 0, 0, 0},
        OptionCase{R"([1,2])", true, 0, 0, 0, 0},
        OptionCase{R"({})", true, 0, 0, 0, 0}),
    [](const ::testing::TestParamInfo<OptionCase>& info) { return "Record" + std::to_string(info.index); });

TEST(AsyncLoginLimit, RaisedOnlyOnceAndOnlyWithinRange)
{
    resetAsyncLoginLimit();
    const int ignored[] = {20, 1000, 5, -1, 0, 21000};
    for (int n : ignored) {
        EXPECT_FALSE(setAsyncLoginLimit(n)) << n;
        EXPECT_EQ(20, getAsyncLoginLimit()) << n;
    }
    EXPECT_TRUE(setAsyncLoginLimit(64));
    EXPECT_EQ(64, getAsyncLoginLimit());
    EXPECT_FALSE(setAsyncLoginLimit(100)) << "only while the limit has its default";
    EXPECT_EQ(64, getAsyncLoginLimit());
    resetAsyncLoginLimit();
}

// ---- dispatch --------------------------------------------------------------------

// Rows that answer without an exchange make each table's answer recognisable.
constexpr OnvifService kFake{"tds", Namespaces::kDevice};

const OnvifOperation kAreaRows[] = {
    kFake("GetThing").answers(21),
    kFake("GetFailing").answers(-1),
    kFake("GetShared").answers(23),
};
const OnvifOperation kServiceRows[] = {
    kFake("GetOwn").answers(11),
    kFake("GetShared").answers(13),
};

class CAreaFake : public COnvifProtoChildCore {
public:
    explicit CAreaFake(const COnvifLoginInfo& login) : COnvifProtoChildCore(login, table()) {}
    const char* getServiceName() const override { return "Area"; }
    static const COnvifOperationTable& table()
    {
        static const COnvifOperationTable rows(kAreaRows);
        return rows;
    }
};

class CServiceFake : public COnvifProtoCore {
public:
    explicit CServiceFake(const COnvifLoginInfo& login) : COnvifProtoCore(login, &table())
    {
        addChild(std::make_unique<CAreaFake>(login));
    }
    const char* getServiceName() const override { return "Service"; }
    static const COnvifOperationTable& table()
    {
        static const COnvifOperationTable rows(kServiceRows);
        return rows;
    }
};

TEST(ProtoCoreDispatch, OwnTableThenAreasUnknownAndNullNames)
{
    CServiceFake service{COnvifLoginInfo{}};
    Json::Value req, rsp;
    EXPECT_EQ(11, service.execute("GetOwn", req, rsp));
    EXPECT_EQ(21, service.execute("GetThing", req, rsp)) << "an area's row";
    EXPECT_EQ(13, service.execute("GetShared", req, rsp)) << "the object's own table is asked first";
    EXPECT_EQ(-1, service.execute("GetFailing", req, rsp)) << "the operation's own result comes back";
    EXPECT_EQ(ONVIF_EXEC_UNKNOWN, service.execute("GetNothing", req, rsp));
    EXPECT_EQ(ONVIF_EXEC_UNKNOWN, service.execute("getown", req, rsp)) << "names are case-sensitive";
    EXPECT_EQ(ONVIF_EXEC_NULL_NAME, service.execute(nullptr, req, rsp));
    CAreaFake area{COnvifLoginInfo{}};
    EXPECT_EQ(ONVIF_EXEC_NULL_NAME, area.execute(nullptr, req, rsp));
    EXPECT_EQ(ONVIF_EXEC_UNKNOWN, area.execute("GetOwn", req, rsp)) << "an area knows only its own";
    EXPECT_EQ(23, area.execute("GetShared", req, rsp));
    EXPECT_TRUE(rsp.isNull()) << "rows that send nothing write nothing";

    const std::vector<const COnvifOperationTable*> tables = service.getOperationTables();
    ASSERT_EQ(2u, tables.size());
    EXPECT_EQ(&CServiceFake::table(), tables[0]);
    EXPECT_EQ(&CAreaFake::table(), tables[1]);
}

// ---- namespace tables ----------------------------------------------------------------

TEST(NamespaceTables, PrefixesUniqueAndUrisWellFormed)
{
    using namespace Namespaces;
    const NSEntry* tables[] = {kDevice, kDeviceIO, kImaging, kPtz, kRecordingCtl, kRecordingSearch,
                               kReplay, kAnalytics, kEvent, kMedia, kMedia2, kFull};
    for (const NSEntry* table : tables) {
        std::set<std::string> seen;
        for (size_t i = 0; i < tableSize(table); ++i) {
            EXPECT_TRUE(seen.insert(table[i].prefix).second) << "duplicate prefix " << table[i].prefix;
            EXPECT_TRUE(std::strncmp(table[i].uri, "http://", 7) == 0) << table[i].uri;
        }
    }
    EXPECT_EQ(12u, tableSize(kDevice));
    EXPECT_EQ(31u, tableSize(kFull));
    EXPECT_STREQ("http://www.onvif.org/ver20/ptz/wsdl", findUri(kPtz, "tptz"));
    EXPECT_STREQ("http://www.onvif.org/ver10/events/wsdl/PausableSubscriptionManagerBinding",
                 findUri(kEvent, "tev7"));
    EXPECT_EQ(nullptr, findUri(kMedia2, "tds"));
    // Recording services declare tt before the notification entries.
    EXPECT_STREQ("tt", kRecordingCtl[7].prefix);
    EXPECT_STREQ("wsnt", kRecordingCtl[8].prefix);
    EXPECT_STREQ("trc", kRecordingCtl[11].prefix);
}

} // namespace
