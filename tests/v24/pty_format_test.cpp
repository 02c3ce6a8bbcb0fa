// Line settings on pseudo-terminals. A pty holds speed, stop bits and flow control but
// always runs 8 data bits without parity, and a change of nothing else is refused by the
// system; the port keeps the format that was asked as its state. The master side reads and
// sets the slave's settings, so the tests look at the device the library has open.
#include "v24_test_util.h"
#include "custom_speed.h"

#include <termios.h>

#include <functional>

using namespace v24test;

namespace {

constexpr const char* kPortName = "COM8";

// Each test opens the port itself, after it has put the pty into its starting state.
class PtyLineTest : public ::testing::Test {
protected:
    void TearDown() override { CloseAllPorts(); }
};

// Leaves the slave raw at a speed and a format, as the far end or an earlier program may.
void SetSlave(const PtyPair& pty, speed_t speed, tcflag_t format)
{
    termios t;
    ASSERT_EQ(tcgetattr(pty.master(), &t), 0);
    cfmakeraw(&t);
    cfsetspeed(&t, speed);
    t.c_cflag = (t.c_cflag & ~(CSIZE | PARENB | PARODD | CSTOPB)) | format;
    ASSERT_EQ(tcsetattr(pty.master(), TCSANOW, &t), 0);
}

termios SlaveSettings(const PtyPair& pty)
{
    termios t{};
    EXPECT_EQ(tcgetattr(pty.master(), &t), 0);
    return t;
}

struct Step {
    const char* what;
    std::function<int32_t(int32_t)> call;
    int32_t result;
};

} // namespace

TEST_F(PtyLineTest, DeviceLineSetUpAndRepeatsSucceed)
{
    struct Start { const char* what; speed_t speed; tcflag_t format; } starts[] = {
        {"fresh pty", B38400, CS8},
        {"far end already at the device's line", B115200, CS7 | PARENB | PARODD | CSTOPB},
    };
    const Step steps[] = {
        {"device format", [](int32_t h) { return PortSetFormat(h, 115200, 7, 'O', 2); }, 0},
        {"XON/XOFF", [](int32_t h) { return PortSetHandshake(h, 2); }, 0},
        {"same handshake again", [](int32_t h) { return PortSetHandshake(h, 2); }, 0},
        {"same format again", [](int32_t h) { return PortSetFormat(h, 115200, 7, 'O', 2); }, 0},
        {"input queue", [](int32_t h) { return PortSetQueueSize(h, 0, 8192); }, 0},
        {"rate without a constant", [](int32_t h) { return PortSetFormat(h, 12345, 0, 0, 0); },
         PORT_E_API},
    };
    for (const Start& start : starts) {
        PtyPair pty(kPortName);
        SetSlave(pty, start.speed, start.format);
        int32_t h = PortOpen(kPortName, 1);
        ASSERT_GE(h, 0) << start.what;
        for (const Step& step : steps)
            EXPECT_EQ(step.call(h), step.result) << start.what << ": " << step.what;
        int32_t baud = 0, bits = 0, parity = 0, stop = 0;
        ASSERT_EQ(PortGetFormat(h, &baud, &bits, &parity, &stop), 0) << start.what;
        EXPECT_EQ(baud, 115200) << start.what;
        EXPECT_EQ(bits, 7) << start.what;
        EXPECT_EQ(parity, 'O') << start.what;
        EXPECT_EQ(stop, 2) << start.what;
        EXPECT_EQ(PortGetHandshake(h), 2) << start.what;
        EXPECT_EQ(PortGetQueueSize(h, 0), 8192) << start.what;
        // What the pty can hold reached it.
        termios t = SlaveSettings(pty);
        EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B115200)) << start.what;
        EXPECT_EQ(t.c_cflag & CSTOPB, static_cast<tcflag_t>(CSTOPB)) << start.what;
        EXPECT_EQ(t.c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON | IXOFF)) << start.what;
        ASSERT_EQ(PortClose(h), 0) << start.what;
    }
}

TEST_F(PtyLineTest, DataBitsAndParityAloneAreKeptAsAsked)
{
    PtyPair pty(kPortName);
    int32_t h = PortOpen(kPortName, 1);
    ASSERT_GE(h, 0);
    ASSERT_EQ(PortSetFormat(h, 115200, 7, 'O', 2), 0);
    EXPECT_EQ(PortSetFormat(h, 0, 5, 0, 0), 0);
    int32_t bits = 0, parity = 0;
    EXPECT_EQ(PortGetFormat(h, nullptr, &bits, nullptr, nullptr), PORT_E_VALUE); // 5 is kept
    EXPECT_EQ(PortSetFormat(h, 0, 8, 'E', 0), 0);
    ASSERT_EQ(PortGetFormat(h, nullptr, &bits, &parity, nullptr), 0);
    EXPECT_EQ(bits, 8);
    EXPECT_EQ(parity, 'E');
    EXPECT_EQ(PortSetFormat(h, 0, 0, 'N', 0), 0);
    ASSERT_EQ(PortGetFormat(h, nullptr, nullptr, &parity, nullptr), 0);
    EXPECT_EQ(parity, 'N');
}

TEST_F(PtyLineTest, SpeedWithoutANumberIsKeptByOpenAndFormat)
{
    struct Row {
        const char* what;
        std::function<bool(int)> set;
        std::function<bool(int)> stillThere;
    } rows[] = {
        {"B0 left by another program",
         [](int fd) {
             termios t;
             tcgetattr(fd, &t);
             cfsetspeed(&t, B0);
             return tcsetattr(fd, TCSANOW, &t) == 0;
         },
         [](int fd) {
             termios t;
             tcgetattr(fd, &t);
             return cfgetospeed(&t) == B0;
         }},
        {"custom rate", [](int fd) { return SetCustomSpeed(fd, 250000); },
         [](int fd) { return DriverSpeed(fd) == 250000; }},
    };
    for (const Row& r : rows) {
        PtyPair pty(kPortName);
        ASSERT_TRUE(r.set(pty.master())) << r.what;
        int32_t h = PortOpen(kPortName, 1);
        ASSERT_GE(h, 0) << r.what;
        EXPECT_EQ(PortSetFormat(h, 0, 7, 'O', 2), 0) << r.what;
        int32_t baud = -1, bits = 0;
        ASSERT_EQ(PortGetFormat(h, &baud, &bits, nullptr, nullptr), 0) << r.what;
        EXPECT_EQ(baud, 0) << r.what; // the library has no number for it
        EXPECT_EQ(bits, 7) << r.what;
        EXPECT_TRUE(r.stillThere(pty.master())) << r.what;
        EXPECT_EQ(PortSetFormat(h, 9600, 0, 0, 0), 0) << r.what;
        ASSERT_EQ(PortGetFormat(h, &baud, nullptr, nullptr, nullptr), 0) << r.what;
        EXPECT_EQ(baud, 9600) << r.what;
        ASSERT_EQ(PortClose(h), 0) << r.what;
    }
}
