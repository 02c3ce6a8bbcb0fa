#include "v24_test_util.h"
#include "platform/comm_posix.h"

#include <array>
#include <cstring>
#include <thread>

using namespace v24test;
using v24::FakeLine;

TEST_F(FakeTest, NameFormsGiveDevicePaths)
{
    struct Row { const char* name; const char* path; } rows[] = {
        {"com2", "\\\\.\\COM2"}, {"COM16", "\\\\.\\COM16"},
        {"COM123456", "\\\\.\\COM12"}, {"\\\\.\\com3", "\\\\.\\COM3"}};
    for (const Row& r : rows) {
        fake.addLine(r.path);
        int32_t h = PortOpen(r.name, 1);
        EXPECT_GE(h, 0) << r.name;
        EXPECT_EQ(fake.openedPaths().back(), r.path) << r.name;
        PortClose(h);
    }
    size_t before = fake.openedPaths().size();
    for (const char* bad : {"LPT1", "xCOM1", "\\\\.COM1", ""})
        EXPECT_EQ(PortOpen(bad, 1), PORT_E_NOPORT) << bad;
    EXPECT_EQ(PortOpen(nullptr, 1), PORT_E_NOPORT);
    EXPECT_EQ(fake.openedPaths().size(), before);
}

TEST_F(FakeTest, TenSlotsThenNoSlot)
{
    for (int32_t i = 0; i < PORT_MAX; ++i)
        EXPECT_EQ(PortOpen("COM1", 0), i);
    EXPECT_EQ(PortOpen("COM1", 0), PORT_E_NOSLOT);
    EXPECT_EQ(PortClose(3), 0);
    EXPECT_EQ(PortOpen("COM1", 0), 3);
}

TEST_F(FakeTest, HandleCheckedByEveryOperation)
{
    unsigned char c;
    char buf[8];
    int32_t v;
    std::function<int32_t(int32_t)> ops[] = {
        [](int32_t h) { return PortClose(h); },
        [](int32_t h) { return PortWriteChar(h, 'A'); },
        [](int32_t h) { return PortWriteString(h, "A"); },
        [](int32_t h) { return PortWriteBlock(h, "A", 1); },
        [](int32_t h) { return PortPrintf(h, "%d", 1); },
        [&](int32_t h) { return PortReadCharTimeout(h, &c, 0); },
        [](int32_t h) { return PortReadChar(h); },
        [](int32_t h) { return PortPeekChar(h); },
        [](int32_t h) { return PortWaitChar(h); },
        [&](int32_t h) { return PortReadLine(h, buf, 4, 13); },
        [&](int32_t h) { return PortReadBlock(h, buf, 4); },
        [](int32_t h) { return PortBreakOn(h); },
        [](int32_t h) { return PortBreakOff(h); },
        [](int32_t h) { return PortSendBreak(h); },
        [](int32_t h) { return PortPurge(h, 0); },
        [](int32_t h) { return PortGetLineErrors(h); },
        [](int32_t h) { return PortGetLineErrorCounts(h, nullptr); },
        [](int32_t h) { return PortQueueCount(h, 0); },
        [](int32_t h) { return PortQueueEmpty(h, 0); },
        [](int32_t h) { return PortSetNotify(h, nullptr, 0); },
        [](int32_t h) { return PortSetFormat(h, 0, 0, 0, 0); },
        [&](int32_t h) { return PortGetFormat(h, &v, &v, &v, &v); },
        [](int32_t h) { return PortSetDefaultFormat(h); },
        [](int32_t h) { return PortSetHandshake(h, 0); },
        [](int32_t h) { return PortGetHandshake(h); },
        [](int32_t h) { return PortSetTimeout(h, 1); },
        [](int32_t h) { return PortGetTimeout(h); },
        [](int32_t h) { return PortSetQueueSize(h, 0, 4096); },
        [](int32_t h) { return PortGetQueueSize(h, 0); },
        [](int32_t h) { return PortCarrier(h); },
        [](int32_t h) { return PortDsr(h); },
        [](int32_t h) { return PortClearToSend(h); },
        [](int32_t h) { return PortRing(h); },
        [](int32_t h) { return PortDtr(h, 2); },
        [](int32_t h) { return PortRts(h, 2); },
    };
    int i = 0;
    for (auto& op : ops) {
        for (int32_t bad : {int32_t{10}, int32_t{-1}, int32_t{PORT_E_NOSLOT}})
            EXPECT_EQ(op(bad), PORT_E_HANDLE) << "op " << i << " handle " << bad;
        EXPECT_EQ(op(0), PORT_E_CLOSED) << "op " << i;
        ++i;
    }
    EXPECT_EQ(PortGetNotifyMessage(10), 0);
    EXPECT_EQ(PortGetNotifyMessage(0), 0);
}

TEST_F(FakeTest, FailedOpenGivesBackEverything)
{
    struct Row { const char* what; std::function<void(v24::FakeComm&, FakeLine&)> arm; int32_t code; };
    Row rows[] = {
        {"denied", [](auto&, FakeLine& l) { l.openError = EACCES; }, PORT_E_ACCESS},
        {"no memory", [](auto&, FakeLine& l) { l.openError = ENOMEM; }, PORT_E_NOMEM},
        {"other", [](auto&, FakeLine& l) { l.openError = EIO; }, PORT_E_API},
        {"queues", [](auto&, FakeLine& l) { l.setupError = EINVAL; }, PORT_E_API},
        {"get state", [](auto&, FakeLine& l) { l.getStateError = EIO; }, PORT_E_API},
        {"set state", [](auto&, FakeLine& l) { l.setStateError = EINVAL; }, PORT_E_API},
        {"third event", [](v24::FakeComm& f, auto&) { f.failEventNumber = 2; }, PORT_E_EVENT},
        {"thread", [](v24::FakeComm& f, auto&) { f.threadError = EAGAIN; }, PORT_E_API},
        {"watch", [](auto&, FakeLine& l) { l.startWatchError = EIO; }, PORT_E_THREAD},
    };
    for (const Row& r : rows) {
        v24::FakeComm f;
        FakeLine& l = f.addLine("\\\\.\\COM1");
        r.arm(f, l);
        v24::SetCommPlatform(&f);
        EXPECT_EQ(PortOpen("COM1", 1), r.code) << r.what;
        EXPECT_EQ(l.openCount(), 0) << r.what;
        EXPECT_EQ(f.liveEvents(), 0) << r.what;
        EXPECT_EQ(PortClose(0), PORT_E_CLOSED) << r.what;
    }
    v24::SetCommPlatform(&fake);
}

TEST_F(FakeTest, ReopenResetsPortButKeepsLineErrors)
{
    int32_t h = openCom1();
    PortSetHandshake(h, 2);
    PortSetNotify(h, reinterpret_cast<PortWindow>(1), 0x400);
    line->addErrors(v24::kErrParity);
    PortQueueCount(h, 0);
    ASSERT_EQ(PortClose(h), 0);
    h = PortOpen("COM1", 1);
    EXPECT_EQ(PortGetTimeout(h), 1000);
    EXPECT_EQ(PortGetHandshake(h), 0);
    EXPECT_EQ(PortGetNotifyMessage(h), 0);
    EXPECT_EQ(PortGetLineErrors(h), PORT_LE_PARITY);
    EXPECT_EQ(PortGetLineErrors(h), 0);
}

TEST_F(FakeTest, OpenSetsUpTheLine)
{
    int32_t h = openCom1();
    v24::CommSettings s = line->settings();
    EXPECT_TRUE(line->dtr());
    EXPECT_TRUE(line->rts());
    EXPECT_FALSE(s.outX || s.inX || s.outxCtsFlow);
    EXPECT_EQ(s.xonChar, 17);
    EXPECT_EQ(s.xoffChar, 19);
    EXPECT_EQ(s.xonLim, 1024);
    EXPECT_EQ(s.xoffLim, 1024);
    EXPECT_EQ(PortDtr(h, 2), 1);
    EXPECT_EQ(line->inQueueSize(), 4096u);
}

TEST_F(FakeTest, ShortWriteCountsOnlyAcceptedBytes)
{
    int32_t h = openCom1();
    line->setWriteCapacity(10);
    EXPECT_EQ(PortWriteBlock(h, "0123456789abcdefghijklmno", 25), 10);
    EXPECT_EQ(PortWriteChar(h, 'x'), PORT_E_WRITE);
    EXPECT_EQ(line->takeOutput(), "0123456789");
}

TEST_F(FakeTest, NotifyOncePerArrivalAndAgainAfterDrain)
{
    StartRecordingPosts();
    int32_t h = openCom1();
    PortWindow win = reinterpret_cast<PortWindow>(0x77);
    PortSetNotify(h, win, 0x401);
    EXPECT_TRUE(Posts().empty());
    line->feed("A");
    ASSERT_TRUE(WaitUntil([] { return Posts().size() == 1; }));
    EXPECT_EQ(Posts()[0].wParam, h);
    EXPECT_EQ(Posts()[0].window, win);
    line->feed("B");
    char buf[4];
    EXPECT_EQ(PortReadBlock(h, buf, 2), 2);
    EXPECT_EQ(Posts().size(), 1u);
    EXPECT_EQ(PortPeekChar(h), -1); // finds the input drained
    line->feed("C");
    ASSERT_TRUE(WaitUntil([] { return Posts().size() == 2; }));
    PortSetNotify(h, win, 0x402); // input waiting: posted at once
    EXPECT_GE(Posts().size(), 3u);
    EXPECT_EQ(Posts()[2].message, 0x402u);
}

TEST_F(FakeTest, HangUpEndsReadWithWhatArrived)
{
    int32_t h = openCom1();
    PortSetTimeout(h, -1); // a read that waits for ever would hang the test
    line->feed("XY");
    line->hangUp();
    char buf[10];
    EXPECT_EQ(PortReadBlock(h, buf, 10), 2);
    EXPECT_EQ(PortReadChar(h), PORT_E_NOCHAR);
    EXPECT_EQ(PortClose(h), 0);
}

TEST_F(FakeTest, ConfigurationAndModemLines)
{
    int32_t h = openCom1();
    EXPECT_EQ(PortSetFormat(h, 0, 5, 0, 0), 0);
    int32_t bits, baud;
    EXPECT_EQ(PortGetFormat(h, &baud, &bits, nullptr, nullptr), PORT_E_VALUE);
    EXPECT_EQ(PortSetFormat(h, 0, 16, 0, 0), PORT_E_API);
    EXPECT_EQ(PortSetHandshake(h, 2), 0);
    EXPECT_EQ(PortSetHandshake(h, 4), PORT_E_VALUE);
    EXPECT_EQ(PortSetFormat(h, 9600, 8, 0, 0), 0);
    EXPECT_TRUE(line->settings().outX); // a refused mode did not drop the flow control
    EXPECT_EQ(PortSetHandshake(h, 3), 0);
    EXPECT_TRUE(line->settings().outxCtsFlow);
    EXPECT_EQ(PortRts(h, 0), PORT_E_RTSHANDSHAKE);
    EXPECT_EQ(PortSetQueueSize(h, 0, 8192), 0);
    EXPECT_EQ(PortGetQueueSize(h, 0), 8192);
    EXPECT_EQ(line->settings().xonLim, 2048);
    EXPECT_EQ(line->settings().xoffLim, 2048);
    EXPECT_EQ(PortSetQueueSize(h, 2, 1), PORT_E_VALUE);
    line->setModemInputs(v24::kModemCarrier | v24::kModemRing);
    EXPECT_EQ(PortCarrier(h), 128);
    EXPECT_EQ(PortRing(h), 64);
    EXPECT_EQ(PortDsr(h), 0);
    EXPECT_EQ(PortDtr(h, 0), 0);
    EXPECT_FALSE(line->dtr());
    EXPECT_EQ(PortDtr(h, 3), PORT_E_VALUE);
    line->modemError = ENOTTY;
    EXPECT_EQ(PortDtr(h, 1), PORT_E_API);
    EXPECT_EQ(PortDtr(h, 2), 0);
    EXPECT_EQ(PortSendBreak(h), 0);
    EXPECT_EQ(fake.sleptMs(), 500u);
    EXPECT_FALSE(line->breakOn());
    line->feed("ABC");
    for (char c : std::string("ABC"))
        EXPECT_EQ(PortReadChar(h), c);
    EXPECT_EQ(line->readCalls(), 1); // the read-ahead served the rest
}

TEST_F(PtyTest, ReadLineTerminatorMaximumAndSilence)
{
    char buf[600];
    pty.send("AB\rC");
    EXPECT_EQ(PortReadLine(h, buf, 500, 13), 2);
    EXPECT_STREQ(buf, "AB");
    EXPECT_EQ(PortReadChar(h), 'C');
    EXPECT_EQ(PortReadLine(h, buf, 500, 13), 0);
    EXPECT_EQ(buf[0], '\0');
    pty.send(std::string(500, 'x') + "\r");
    EXPECT_EQ(PortReadLine(h, buf, 500, 13), 500);
    EXPECT_EQ(buf[500], '\0');
    EXPECT_EQ(PortReadChar(h), 13);
    pty.send("\xff");
    EXPECT_EQ(PortReadChar(h), 255);
    EXPECT_EQ(PortReadChar(h), PORT_E_NOCHAR);
    unsigned char c;
    EXPECT_EQ(PortReadCharTimeout(h, &c, 0), 0);
}

TEST_F(PtyTest, ReadLineTerminatorIsComparedAsAByte)
{
    // A terminator of 0x80 or above arrives as a negative C char or as 0..255; both end the
    // line at that byte.
    struct Row { const char* what; int32_t terminator; char wire; } rows[] = {
        {"char 0x85", static_cast<char>(0x85), '\x85'},
        {"int 0x85", 0x85, '\x85'},
        {"char 0xFF", static_cast<char>(0xFF), '\xff'},
        {"CR", 13, '\r'},
    };
    char buf[16];
    for (const Row& r : rows) {
        pty.send(std::string("AB") + r.wire + "C" + r.wire);
        EXPECT_EQ(PortReadLine(h, buf, 15, r.terminator), 2) << r.what;
        EXPECT_STREQ(buf, "AB") << r.what;
        EXPECT_EQ(PortReadLine(h, buf, 15, r.terminator), 1) << r.what;
        EXPECT_STREQ(buf, "C") << r.what;
    }
}

TEST_F(PtyTest, TrickleSlowerThanTimeoutKeepsReading)
{
    // The line takes longer than the time-out; each gap stays well inside it, also when the
    // machine is busy.
    PortSetTimeout(h, 300);
    std::thread far([this] {
        for (const char* part : {"A", "B", "C", "D", "E", "F", "G", "H", "\r"}) {
            pty.send(part);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    });
    char buf[16];
    EXPECT_EQ(PortReadLine(h, buf, 15, 13), 8);
    far.join();
    EXPECT_STREQ(buf, "ABCDEFGH");
}

TEST_F(PtyTest, PeekPurgeAndQueueCount)
{
    pty.send("ABC");
    ASSERT_TRUE(WaitUntil([this] { return PortQueueCount(h, 0) == 3; }));
    EXPECT_EQ(PortPeekChar(h), 'A');
    EXPECT_EQ(PortPeekChar(h), 'A');
    EXPECT_EQ(PortReadChar(h), 'A');
    EXPECT_EQ(PortQueueCount(h, 0), 2); // held in the read-ahead
    EXPECT_EQ(PortPurge(h, 2), PORT_E_VALUE);
    EXPECT_EQ(PortQueueCount(h, 0), 2);
    EXPECT_EQ(PortPurge(h, 0), 0);
    EXPECT_EQ(PortQueueEmpty(h, 0), 1);
    EXPECT_EQ(PortWaitChar(h), -1);
}

TEST_F(PtyTest, WritesArriveExactly)
{
    EXPECT_EQ(PortWriteString(h, "DA\r\n"), 4);
    EXPECT_EQ(PortWriteChar(h, 0x1FF), 0);
    EXPECT_EQ(PortWriteBlock(h, "a\0b", 3), 3);
    EXPECT_EQ(PortPrintf(h, "%d-%s", 42, "x"), 4);
    EXPECT_EQ(PortPrintf(h, "%s", ""), 0);
    EXPECT_EQ(pty.receiveQuiet(), std::string("DA\r\n\xff" "a\0b42-x", 12));
    std::string big(300, 'z');
    EXPECT_EQ(PortPrintf(h, "%s", big.c_str()), 255);
    EXPECT_EQ(pty.receiveQuiet().size(), 255u);
}

TEST_F(PtyTest, FormatKeptAsSet)
{
    ASSERT_EQ(PortSetFormat(h, 115200, 7, 'O', 2), 0);
    int32_t b, d, p, s;
    ASSERT_EQ(PortGetFormat(h, &b, &d, &p, &s), 0);
    EXPECT_EQ(b, 115200); EXPECT_EQ(d, 7); EXPECT_EQ(p, 'O'); EXPECT_EQ(s, 2);
    EXPECT_EQ(PortSetFormat(h, 0, 0, 'E', 0), 0);
    for (auto bad : {std::array<int32_t, 3>{7, 'o', 1}, {9, 'N', 1}, {8, 'N', 3}})
        EXPECT_EQ(PortSetFormat(h, 0, bad[0], bad[1], bad[2]), PORT_E_VALUE);
    ASSERT_EQ(PortGetFormat(h, &b, &d, &p, &s), 0);
    EXPECT_EQ(d, 7); EXPECT_EQ(p, 'E'); EXPECT_EQ(s, 2);
}

TEST_F(PtyTest, ExclusiveOpenRefusedWhileHeld)
{
    EXPECT_EQ(PortOpen("COM7", 1), PORT_E_ACCESS);
    EXPECT_EQ(PortOpen("COM7", 0), PORT_E_ACCESS);
    ASSERT_EQ(PortClose(h), 0);
    h = PortOpen("COM7", 1);
    EXPECT_EQ(h, 0);
}

TEST_F(PtyTest, FarEndHangsUpMidRead)
{
    PortSetTimeout(h, -1);
    std::thread far([this] {
        pty.send("CD");
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        pty.hangUp();
    });
    char buf[10];
    int32_t n = PortReadBlock(h, buf, 10);
    far.join();
    EXPECT_EQ(n, 2);
    EXPECT_EQ(std::string(buf, 2), "CD");
    EXPECT_EQ(PortClose(h), 0);
}

TEST(V24Platform, TranslationAndNames)
{
    termios t{};
    v24::CommSettings s;
    s.baudRate = 115200; s.byteSize = 7; s.parity = v24::kOddParity;
    s.stopBits = v24::kTwoStopBits; s.outX = s.inX = true;
    ASSERT_TRUE(v24::TermiosFromSettings(s, &t));
    EXPECT_EQ(t.c_cflag & (CSIZE | PARENB | PARODD | CSTOPB), CS7 | PARENB | PARODD | CSTOPB);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF | ICRNL | ISTRIP), IXON | IXOFF);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO), 0u);
    EXPECT_EQ(t.c_cc[VSTART], 17);
    v24::CommSettings back;
    v24::SettingsFromTermios(t, &back);
    EXPECT_EQ(back.byteSize, 7);
    EXPECT_EQ(back.parity, v24::kOddParity);
    EXPECT_EQ(back.baudRate, 115200u);
    for (auto change : {+[](v24::CommSettings& x) { x.byteSize = 16; },
                        +[](v24::CommSettings& x) { x.baudRate = 12345; },
                        +[](v24::CommSettings& x) { x.stopBits = v24::kOne5StopBits; }}) {
        v24::CommSettings bad = s;
        change(bad);
        termios u = t;
        EXPECT_FALSE(v24::TermiosFromSettings(bad, &u));
        EXPECT_EQ(std::memcmp(&u, &t, sizeof t), 0);
    }
    char out[64];
    unsetenv("V24_COM3");
    ASSERT_EQ(v24::ResolveDeviceFile("\\\\.\\COM3", out, sizeof out), 0);
    EXPECT_STREQ(out, "/dev/ttyS2");
    setenv("V24_COM3", "/dev/ttyUSB0", 1);
    ASSERT_EQ(v24::ResolveDeviceFile("\\\\.\\COM3", out, sizeof out), 0);
    EXPECT_STREQ(out, "/dev/ttyUSB0");
    unsetenv("V24_COM3");
    EXPECT_EQ(v24::ResolveDeviceFile("\\\\.\\COM0", out, sizeof out), ENOENT);
    EXPECT_EQ(v24::ResolveDeviceFile("\\\\.\\TTYUS", out, sizeof out), ENOENT);
    EXPECT_EQ(v24::PortErrorFromErrno(ENOENT), PORT_E_NOPORT);
    EXPECT_EQ(v24::PortErrorFromErrno(EBUSY), PORT_E_ACCESS);
    EXPECT_EQ(v24::PortErrorFromErrno(ENOMEM), PORT_E_NOMEM);
    EXPECT_EQ(v24::PortErrorFromErrno(EIO), PORT_E_API);
}

// The device file of a port: the environment first, then the program's file, then the default.
TEST(V24Platform, DeviceFileComesFromEnvironmentThenProgramThenDefault)
{
    struct Row { const char* environment; const char* program; int32_t source; const char* file; };
    const Row rows[] = {
        {nullptr, nullptr, PORT_FROM_DEFAULT, "/dev/ttyS2"},
        {nullptr, "/dev/serial/by-id/usb-x", PORT_FROM_PROGRAM, "/dev/serial/by-id/usb-x"},
        {"/dev/pts/7", "/dev/serial/by-id/usb-x", PORT_FROM_ENVIRONMENT, "/dev/pts/7"},
        {"/dev/pts/7", nullptr, PORT_FROM_ENVIRONMENT, "/dev/pts/7"},
        {nullptr, "", PORT_E_NOPORT, ""},  // the program's choice of no file
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.environment ? row.environment : "-") + " / " + (row.program ? row.program : "-"));
        row.environment ? setenv("V24_COM3", row.environment, 1) : unsetenv("V24_COM3");
        ASSERT_EQ(PortSetDeviceFile("com3", row.program), 0);
        char file[64] = "untouched";
        EXPECT_EQ(PortDeviceFile("COM3", file, sizeof file), row.source);
        EXPECT_STREQ(file, row.file);
    }
    unsetenv("V24_COM3");
    EXPECT_EQ(PortSetDeviceFile("COM3", nullptr), 0);
    EXPECT_EQ(PortSetDeviceFile("LPT1", "/dev/lp0"), PORT_E_NOPORT);
    EXPECT_EQ(PortSetDeviceFile("COM3", std::string(PORT_FILE_MAX, 'x').c_str()), PORT_E_VALUE);
    char small[5];
    EXPECT_EQ(PortDeviceFile("COM3", small, sizeof small), PORT_E_VALUE);  // "/dev/ttyS2" needs 11
}
