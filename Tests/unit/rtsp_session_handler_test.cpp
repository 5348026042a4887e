// Message handlers of RTSP client sessions: delivery by identity, and what happens when a
// handler goes away while messages are on their way.
#include "Stream/Rtsp/MsgHandler.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

using Zentar::StreamApp::CMsgHandler;

namespace {

class CSlowHandler : public CMsgHandler {
public:
    ~CSlowHandler() override { Close(); }
    int handle_message(long sender, int type, long attach) override
    {
        entered = true;
        while (!release.load())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        finished = true;
        return 0;
    }
    std::atomic<bool> entered{false};
    std::atomic<bool> release{false};
    std::atomic<bool> finished{false};
};

class CSelfClosingHandler : public CMsgHandler {
public:
    int handle_message(long, int type, long) override
    {
        lastType = type;
        Close(); // from inside its own delivery
        return 0;
    }
    int handle_close(long) override
    {
        ++closes;
        return 0;
    }
    int lastType = 0;
    int closes = 0;
};

} // namespace

TEST(RtspSessionHandler, DeliveryByIdentityOnly)
{
    CSelfClosingHandler a;
    CSelfClosingHandler b;
    EXPECT_NE(a.GetID(), b.GetID());
    EXPECT_TRUE(CMsgHandler::deliver(b.GetID(), 1, 0x1001, 0));
    EXPECT_EQ(b.lastType, 0x1001);
    EXPECT_EQ(a.lastType, 0);
    EXPECT_EQ(b.closes, 1);
    // Closed: later messages are dropped, the handler is not called again.
    EXPECT_FALSE(CMsgHandler::deliver(b.GetID(), 1, 0x1003, 0));
    EXPECT_EQ(b.lastType, 0x1001);
    EXPECT_FALSE(CMsgHandler::deliver(-5, 1, 0x1000, 0));
}

TEST(RtspSessionHandler, ClosingWaitsForADeliveryInProgress)
{
    CSlowHandler handler;
    long id = handler.GetID();
    std::thread sender([id] { CMsgHandler::deliver(id, 7, 0x1000, 0x10090191); });
    for (int i = 0; i < 5000 && !handler.entered.load(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_TRUE(handler.entered.load());
    std::thread releaser([&handler] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        handler.release = true;
    });
    handler.Close();
    EXPECT_TRUE(handler.finished.load()) << "Close returned while the handler was still running";
    sender.join();
    releaser.join();
    EXPECT_FALSE(CMsgHandler::deliver(id, 7, 0x1000, 0));
}
