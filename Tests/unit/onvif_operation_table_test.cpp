// The operation table every service class dispatches through, the rows that answer
// without an exchange, and the shape of every row of every service the registry builds.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "Component/ServerInfo.h"
#include "Infra/LastError.h"
#include "OnvifFramework/FunctionScripts/OnvifServiceRegistry.h"
#include "OnvifFramework/Utility/OnvifLog.h"
#include "OnvifFramework/Utility/OnvifNamespaces.h"
#include "OnvifFramework/Utility/OnvifOperationTable.h"

using namespace RPC::Onvif;

namespace {

constexpr OnvifService kTest{"tds", Namespaces::kDevice};

TEST(OperationTable, CommandsInRowOrderFirstRowKeepsADuplicate)
{
    static const OnvifOperation rows[] = {
        kTest("Second").answers(2),
        kTest("First").answers(1),
        kTest("Second").answers(3),   // a programming error: ignored, logged
        kTest(nullptr).answers(4),    // likewise
    };
    const COnvifOperationTable table(rows);
    EXPECT_EQ((std::vector<std::string>{"Second", "First"}), table.commands());
    EXPECT_EQ(2u, table.size());
    Json::Value req, rsp;
    EXPECT_EQ(2, table.dispatch(COnvifLoginInfo{}, "Second", req, rsp));
    EXPECT_EQ(&rows[1], table.find("First"));
    EXPECT_EQ(nullptr, table.find("Third"));
    EXPECT_EQ(ONVIF_EXEC_UNKNOWN, table.dispatch(COnvifLoginInfo{}, "Third", req, rsp));
}

// A registered name with nothing behind it answers its fixed result at once: no address
// needed, nothing sent, nothing written into the result.
TEST(OperationTable, RowsThatSendNothingAnswerTheirFixedResult)
{
    static const OnvifOperation rows[] = {
        kTest("SetVideoSourceMode").answers(-1, "not implementing!\n"),
        kTest("CreateAnalyticsModules").answers(-1),
        kTest("Noop").answers(0),
    };
    const COnvifOperationTable table(rows);
    COnvifLoginInfo login;
    login.m_strAddress = "127.0.0.1";
    Json::Value req(Json::objectValue);
    req["XAddr"] = "http://127.0.0.1:1/onvif/media";   // nothing listens: a send would fail differently

    setLogToStdout(true);
    ::testing::internal::CaptureStdout();
    Json::Value rsp;
    EXPECT_EQ(-1, table.dispatch(login, "SetVideoSourceMode", req, rsp));
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_NE(std::string::npos, out.find("not implementing!")) << out;
    EXPECT_EQ(std::string::npos, out.find("[ERRLN]")) << "answering as registered is not a failure point";

    EXPECT_EQ(-1, table.dispatch(login, "CreateAnalyticsModules", Json::Value(), rsp)) << "no XAddr needed";
    EXPECT_EQ(0, table.dispatch(login, "Noop", req, rsp));
    EXPECT_TRUE(rsp.isNull());
}

// Every row of every service the registry builds can reach a device (or is registered as
// sending nothing), and no area shadows a name another area of the same object answers.
TEST(OperationTable, EveryRowOfEveryServiceIsComplete)
{
    Zentar::Component::ServerInfo info;
    info.address = "192.0.2.1";
    const COnvifLoginInfo login = makeOnvifLoginInfo(info);
    size_t rows = 0;
    for (const OnvifServiceRow& service : onvifServiceTable()) {
        const std::unique_ptr<COnvifProtoCore> object = service.create(login);
        ASSERT_TRUE(object) << service.name;
        std::set<std::string> names;
        for (const COnvifOperationTable* table : object->getOperationTables()) {
            for (const std::string& command : table->commands()) {
                EXPECT_TRUE(names.insert(command).second) << service.name << ": " << command << " in two areas";
                const OnvifOperation& row = *table->find(command);
                ++rows;
                if (row.sendsNothing)
                    continue;
                EXPECT_TRUE(row.operation && *row.operation) << service.name << "/" << command;
                EXPECT_TRUE(row.prefix && *row.prefix) << service.name << "/" << command;
                EXPECT_TRUE(row.namespaces && Namespaces::findUri(row.namespaces, row.prefix))
                    << service.name << "/" << command << ": the request's own prefix must be declared";
            }
        }
        EXPECT_FALSE(names.empty()) << service.name;
    }
    EXPECT_GT(rows, 0u);

    // A service the library does not offer is refused as "not supported".
    Zentar::Infra::setLastError(0);
    EXPECT_EQ(nullptr, COnvifServiceRegistry::instance().getService("ExtendService", info));
    EXPECT_EQ(ONVIF_ERR_NOT_SUPPORTED, Zentar::Infra::getLastError());
}

} // namespace
