// Line format, handshake and queue settings against the fake platform, which can report
// settings a pseudo-terminal never shows and refuse on demand; and the error and count
// paths of the data operations that only a refusing driver reaches.
#include "v24_test_util.h"

using namespace v24test;

namespace {

struct Flow {
    bool outX, inX, cts;
    uint8_t rts, dtr;
};

Flow FlowOf(const v24::CommSettings& s)
{
    return {s.outX, s.inX, s.outxCtsFlow, s.rtsControl, s.dtrControl};
}

} // namespace

TEST_F(FakeTest, HandshakeModesSetTheirFlowFlagsOnly)
{
    int32_t h = openCom1();
    struct Row { int32_t mode; Flow flow; } rows[] = {
        {3, {false, false, true, v24::kLineHandshake, v24::kLineEnable}},
        {0, {false, false, false, v24::kLineEnable, v24::kLineEnable}},
        {1, {true, true, false, v24::kLineEnable, v24::kLineEnable}},
        {3, {false, false, true, v24::kLineHandshake, v24::kLineEnable}},
        {2, {true, true, false, v24::kLineEnable, v24::kLineEnable}},
    };
    v24::CommSettings dsr = line->settings();
    dsr.outxDsrFlow = true; // the handshake leaves DSR flow as the device has it
    line->setSettings(dsr);
    PortGetFormat(h, nullptr, nullptr, nullptr, nullptr);
    for (const Row& r : rows) {
        ASSERT_EQ(PortSetHandshake(h, r.mode), 0) << r.mode;
        Flow f = FlowOf(line->settings());
        EXPECT_EQ(f.outX, r.flow.outX) << r.mode;
        EXPECT_EQ(f.inX, r.flow.inX) << r.mode;
        EXPECT_EQ(f.cts, r.flow.cts) << r.mode;
        EXPECT_EQ(f.rts, r.flow.rts) << r.mode;
        EXPECT_EQ(f.dtr, r.flow.dtr) << r.mode;
        EXPECT_TRUE(line->settings().outxDsrFlow) << r.mode;
        EXPECT_EQ(line->settings().xonChar, 17);
        EXPECT_EQ(line->settings().xoffChar, 19);
        EXPECT_EQ(PortGetHandshake(h), r.mode);
    }
    // Leaving the hardware handshake gives RTS back to the program.
    EXPECT_EQ(PortRts(h, 0), 0);
    EXPECT_FALSE(line->rts());
    EXPECT_EQ(PortSetHandshake(h, -1), PORT_E_VALUE);
    line->setStateError = EINVAL;
    EXPECT_EQ(PortSetHandshake(h, 0), PORT_E_API);
    EXPECT_EQ(PortGetHandshake(h), 2);
    EXPECT_TRUE(line->settings().outX);
}

TEST_F(FakeTest, HardwareHandshakeOwnsRts)
{
    int32_t h = openCom1();
    ASSERT_EQ(PortRts(h, 0), 0);
    ASSERT_EQ(PortSetHandshake(h, 3), 0);
    EXPECT_EQ(PortRts(h, 1), PORT_E_RTSHANDSHAKE);
    EXPECT_EQ(PortRts(h, 2), PORT_E_RTSHANDSHAKE);
    EXPECT_EQ(PortDtr(h, 2), 1);
    ASSERT_EQ(PortSetHandshake(h, 0), 0);
    EXPECT_EQ(PortRts(h, 2), 1); // setting the handshake switched RTS on again
    EXPECT_TRUE(line->rts());
}

TEST_F(FakeTest, FormatTheLibraryCannotExpress)
{
    int32_t h = openCom1();
    ASSERT_EQ(PortSetFormat(h, 19200, 8, 'E', 1), 0);
    struct Row {
        const char* what;
        void (*change)(v24::CommSettings&);
    } rows[] = {
        {"mark parity", [](v24::CommSettings& s) { s.parity = v24::kMarkParity; }},
        {"space parity", [](v24::CommSettings& s) { s.parity = v24::kSpaceParity; }},
        {"1.5 stop bits", [](v24::CommSettings& s) { s.stopBits = v24::kOne5StopBits; }},
        {"6 data bits", [](v24::CommSettings& s) { s.byteSize = 6; }},
    };
    for (const Row& r : rows) {
        v24::CommSettings dev = line->settings();
        v24::CommSettings odd = dev;
        odd.baudRate = 4800;
        r.change(odd);
        line->setSettings(odd);
        int32_t baud = 0, bits = 0, parity = 0, stop = 0;
        EXPECT_EQ(PortGetFormat(h, &baud, &bits, &parity, &stop), PORT_E_VALUE) << r.what;
        EXPECT_EQ(baud, 4800) << r.what; // stored before the value it could not express
        line->setSettings(dev);
    }
    // A device that reports a plain 1.5 stop bits still tells the values it can.
    v24::CommSettings dev = line->settings();
    dev.stopBits = v24::kOne5StopBits;
    line->setSettings(dev);
    int32_t bits = 0, parity = 0;
    EXPECT_EQ(PortGetFormat(h, nullptr, &bits, &parity, nullptr), 0);
    EXPECT_EQ(bits, 8);
    EXPECT_EQ(parity, 'E');
    line->getStateError = EIO;
    EXPECT_EQ(PortGetFormat(h, &bits, nullptr, nullptr, nullptr), PORT_E_HANDLE);
}

TEST_F(FakeTest, RefusedFormatLeavesTheStoredSettings)
{
    int32_t h = openCom1();
    ASSERT_EQ(PortSetFormat(h, 115200, 7, 'O', 2), 0);
    line->setStateError = EINVAL;
    EXPECT_EQ(PortSetFormat(h, 9600, 8, 'N', 1), PORT_E_API);
    line->setStateError = 0;
    // The next change starts from what the device really has, not from the refused one.
    ASSERT_EQ(PortSetFormat(h, 0, 0, 'E', 0), 0);
    v24::CommSettings s = line->settings();
    EXPECT_EQ(s.baudRate, 115200u);
    EXPECT_EQ(s.byteSize, 7);
    EXPECT_EQ(s.parity, v24::kEvenParity);
    EXPECT_EQ(s.stopBits, v24::kTwoStopBits);
    // A refused value in the middle applies nothing, not even the values before it.
    EXPECT_EQ(PortSetFormat(h, 300, 8, 'x', 1), PORT_E_VALUE);
    EXPECT_EQ(line->settings().baudRate, 115200u);
    ASSERT_EQ(PortSetDefaultFormat(h), 0);
    s = line->settings();
    EXPECT_EQ(s.baudRate, 2400u);
    EXPECT_EQ(s.byteSize, 8);
    EXPECT_EQ(s.parity, v24::kNoParity);
    EXPECT_EQ(s.stopBits, v24::kOneStopBit);
}

TEST_F(FakeTest, QueueSizesAndTheirRefusals)
{
    int32_t h = openCom1();
    ASSERT_EQ(PortSetQueueSize(h, 1, 512), 0);
    EXPECT_EQ(PortGetQueueSize(h, 1), 512);
    EXPECT_EQ(line->outQueueSize(), 512u);
    EXPECT_EQ(line->inQueueSize(), 4096u);
    EXPECT_EQ(PortGetQueueSize(h, 2), PORT_E_VALUE);
    ASSERT_EQ(PortSetQueueSize(h, 0, 1000), 0);
    EXPECT_EQ(line->settings().xonLim, 250);
    EXPECT_EQ(line->settings().xoffLim, 250);
    line->setupError = EINVAL;
    EXPECT_EQ(PortSetQueueSize(h, 0, 16384), PORT_E_API);
    EXPECT_EQ(PortSetQueueSize(h, 1, 16384), PORT_E_API);
    EXPECT_EQ(PortGetQueueSize(h, 0), 1000);
    EXPECT_EQ(PortGetQueueSize(h, 1), 512);
    EXPECT_EQ(line->settings().xonLim, 250);
    EXPECT_EQ(PortSetQueueSize(h, -1, 16384), PORT_E_VALUE);
}

TEST_F(FakeTest, TimeoutAcceptsAnyValue)
{
    int32_t h = openCom1();
    for (int32_t ms : {0, -1, -5000, 1, 0x7FFFFFFF}) {
        EXPECT_EQ(PortSetTimeout(h, ms), 0);
        EXPECT_EQ(PortGetTimeout(h), ms);
    }
    PortSetTimeout(h, 0); // no waiting at all
    EXPECT_EQ(PortReadChar(h), PORT_E_NOCHAR);
    char buf[4];
    EXPECT_EQ(PortReadLine(h, buf, 3, 13), 0);
}

TEST_F(FakeTest, FailedReadKeepsItsLineErrorsForLater)
{
    int32_t h = openCom1();
    line->feed("AB");
    line->addErrors(v24::kErrParity | v24::kErrFrame);
    line->readError = EIO;
    EXPECT_EQ(PortReadChar(h), PORT_E_NOCHAR);
    line->readError = 0;
    EXPECT_EQ(PortReadChar(h), 'A'); // the failure lost no input
    EXPECT_EQ(PortGetLineErrors(h), PORT_LE_PARITY | PORT_LE_FRAMING);
    EXPECT_EQ(PortGetLineErrors(h), 0);
    line->addErrors(v24::kErrRxOver);
    line->addErrors(v24::kErrBreak); // a break is not a line error of the library
    EXPECT_EQ(PortGetLineErrors(h), PORT_LE_OVERRUN);
    line->addErrors(v24::kErrOverrun);
    line->clearErrorError = EIO;
    EXPECT_EQ(PortGetLineErrors(h), 0); // a failed query is silent
    line->clearErrorError = 0;
    EXPECT_EQ(PortGetLineErrors(h), PORT_LE_OVERRUN);
}

TEST_F(FakeTest, PurgeRefusedKeepsTheReadAhead)
{
    int32_t h = openCom1();
    line->feed("XYZ");
    ASSERT_EQ(PortReadChar(h), 'X');
    line->purgeError = EIO;
    EXPECT_EQ(PortPurge(h, 0), PORT_E_API);
    EXPECT_EQ(PortPurge(h, 1), PORT_E_API);
    EXPECT_EQ(PortQueueCount(h, 0), 2);
    line->purgeError = 0;
    line->feed("more");
    EXPECT_EQ(PortPurge(h, 0), 0);
    EXPECT_EQ(PortQueueCount(h, 0), 0);
    EXPECT_EQ(PortPurge(h, 1), 0);
    std::vector<int> expected = {v24::kPurgeRxAbort, v24::kPurgeRxClear, v24::kPurgeTxAbort,
                                 v24::kPurgeTxClear};
    std::vector<int> purges = line->purges();
    ASSERT_GE(purges.size(), 4u);
    EXPECT_EQ(std::vector<int>(purges.end() - 4, purges.end()), expected);
}

TEST_F(FakeTest, OutputQueueCountsComeFromTheDriver)
{
    int32_t h = openCom1();
    EXPECT_EQ(PortQueueEmpty(h, 1), 1);
    line->setOutQueue(37);
    EXPECT_EQ(PortQueueCount(h, 1), 37);
    EXPECT_EQ(PortQueueEmpty(h, 1), 0);
    line->clearErrorError = EIO;
    line->setOutQueue(0);
    EXPECT_EQ(PortQueueCount(h, 1), 37); // a failed query keeps the previous counts
    line->clearErrorError = 0;
    EXPECT_EQ(PortQueueCount(h, 1), 0);
    EXPECT_EQ(PortQueueCount(h, 5), PORT_E_VALUE);
    EXPECT_EQ(PortQueueEmpty(h, 5), PORT_E_VALUE);
}
