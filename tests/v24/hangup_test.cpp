// A device that hangs up (a pty whose master closed, an adapter pulled out) is reported by
// PortReadLine as -27, so that the program closes the port and opens it again.
#include "v24_test_util.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

using namespace v24test;

TEST_F(PtyTest, ReadLineReportsHangUpAfterTheBytesBeforeIt)
{
    PortSetTimeout(h, -1); // a read that waited for an arrival would never end
    pty.send("AB\rCD");
    ASSERT_TRUE(WaitUntil([this] { return PortQueueCount(h, 0) == 5; }));
    char buf[16];
    ASSERT_EQ(PortReadLine(h, buf, 15, 13), 2); // "CD" now waits in the read-ahead
    pty.hangUp();
    EXPECT_EQ(PortReadLine(h, buf, 15, 13), 2);
    EXPECT_STREQ(buf, "CD");
    EXPECT_EQ(PortReadLine(h, buf, 15, 13), PORT_E_API);
    EXPECT_EQ(buf[0], '\0');
    EXPECT_EQ(PortReadLine(h, buf, 15, 13), PORT_E_API);
    // The other reads still answer "nothing arrived".
    EXPECT_EQ(PortReadBlock(h, buf, 4), 0);
    EXPECT_EQ(PortReadChar(h), PORT_E_NOCHAR);
    EXPECT_EQ(PortClose(h), 0);
}

TEST(V24HangUp, CloseAfterHangUpLetsTheNameOpenANewDevice)
{
    PtyPair first("COM5"), second("COM6");
    std::string link = "/tmp/v24-hangup-" + std::to_string(getpid());
    unlink(link.c_str());
    ASSERT_EQ(symlink(std::getenv("V24_COM5"), link.c_str()), 0);
    setenv("V24_COM9", link.c_str(), 1);

    int32_t h = PortOpen("COM9", 1);
    ASSERT_GE(h, 0);
    first.hangUp();
    char buf[16];
    EXPECT_EQ(PortReadLine(h, buf, 15, 13), PORT_E_API);
    EXPECT_EQ(PortClose(h), 0);

    // The adapter comes back under the same name as a new device file.
    ASSERT_EQ(unlink(link.c_str()), 0);
    ASSERT_EQ(symlink(std::getenv("V24_COM6"), link.c_str()), 0);
    int32_t again = PortOpen("COM9", 1);
    EXPECT_EQ(again, h);
    if (again >= 0) {
        PortSetTimeout(again, 1000);
        second.send("OK\r");
        EXPECT_EQ(PortReadLine(again, buf, 15, 13), 2);
        EXPECT_STREQ(buf, "OK");
    }
    CloseAllPorts();
    unsetenv("V24_COM9");
    unlink(link.c_str());
}

TEST_F(FakeTest, ReadLineReportsEveryFailedDriverRead)
{
    int32_t h = openCom1();
    struct Row { const char* what; int err; } rows[] = {
        {"hang-up", EIO}, {"device gone", ENODEV}, {"no such device", ENXIO},
        {"descriptor gone", EBADF}};
    char buf[8];
    for (const Row& r : rows) {
        line->feed("Z");
        line->addErrors(v24::kErrFrame);
        line->readError = r.err;
        EXPECT_EQ(PortReadLine(h, buf, 7, 13), PORT_E_API) << r.what;
        EXPECT_EQ(PortGetLineErrors(h), PORT_LE_FRAMING) << r.what;
        line->readError = 0;
        EXPECT_EQ(PortReadLine(h, buf, 7, 13), 1) << r.what; // the failure lost no input
        EXPECT_STREQ(buf, "Z") << r.what;
    }
}

TEST_F(FakeTest, HangUpIsReportedOnceAndNothingSpins)
{
    StartRecordingPosts();
    int32_t h = openCom1();
    PortSetTimeout(h, -1);
    PortSetNotify(h, reinterpret_cast<PortWindow>(0x55), 0x401);
    line->hangUp();
    ASSERT_TRUE(WaitUntil([] { return Posts().size() == 1; }));
    char buf[8];
    for (int i = 0; i < 3; ++i) {
        int before = line->readCalls();
        EXPECT_EQ(PortReadLine(h, buf, 7, 13), PORT_E_API);
        EXPECT_LE(line->readCalls() - before, 2); // no retrying while the device is gone
    }
    // Readers and a new notification target let the watch thread go on; it must not report
    // the same hang-up again.
    PortSetTimeout(h, 0);
    EXPECT_EQ(PortWaitChar(h), -1);
    PortSetNotify(h, reinterpret_cast<PortWindow>(0x55), 0x402);
    EXPECT_FALSE(WaitUntil([] { return Posts().size() > 1; }, 200));
    EXPECT_EQ(PortClose(h), 0);
}
