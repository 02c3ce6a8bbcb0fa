// When the document opens, purges, closes and opens again the port, and on which device.
#include "LinkFixture.h"
#include "WaitUntil.h"

#include "v24.h"

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <ostream>

namespace {

// True if the test itself can open COM1 exclusively, i.e. the document does not hold it.
bool PortIsFree()
{
    const int32_t h = PortOpen("COM1", 1);
    if (h < 0)
        return false;
    PortClose(h);
    return true;
}

TEST_F(LinkTest, OpenLinkOpensExclusivelyWithTheDeviceLineSettings)
{
    doc->OpenLink();

    ASSERT_EQ(doc->m_bPortOpen, 1);
    ASSERT_GE(doc->m_hPort, 0);
    int32_t baud = 0, dataBits = 0, parity = 0, stopBits = 0;
    EXPECT_EQ(PortGetFormat(doc->m_hPort, &baud, &dataBits, &parity, &stopBits), 0);
    EXPECT_EQ(baud, 115200);
    EXPECT_EQ(dataBits, 7);
    EXPECT_EQ(parity, 'O');
    EXPECT_EQ(stopBits, 2);
    EXPECT_EQ(PortGetHandshake(doc->m_hPort), 2);
    EXPECT_EQ(PortOpen("COM1", 0), PORT_E_ACCESS);
}

TEST_F(LinkTest, OpenLinkTwiceOpensOnce)
{
    doc->OpenLink();
    const int32_t handle = doc->m_hPort;
    doc->m_nCursor = 7;
    doc->m_nRxLines = 2;

    // A second open would be refused by the first one's exclusive hold.
    doc->OpenLink();

    EXPECT_EQ(doc->m_hPort, handle);
    EXPECT_EQ(doc->m_nCursor, 0);
    EXPECT_EQ(doc->m_nRxLines, 0);
    doc->SendCommand("R");
    EXPECT_EQ(device.receive(3), "R\r\n");
}

TEST_F(LinkTest, ChangedPortIndexTakesEffectOnlyAfterClosePort)
{
    PtyFarEnd com2("COM2");
    doc->OpenLink();
    doc->m_dlgInterface.m_nPortIndex = 1;

    doc->OpenLink();
    doc->SendCommand("A");
    EXPECT_EQ(device.receive(3), "A\r\n");

    doc->ClosePort();
    EXPECT_TRUE(PortIsFree());
    doc->OpenLink();
    doc->SendCommand("B");
    EXPECT_EQ(com2.receive(3), "B\r\n");
    EXPECT_TRUE(PortIsFree());
}

TEST_F(LinkTest, ClosePortResetsTheCursorsKeepsTheDataAndReleasesThePort)
{
    doc->OpenLink();
    doc->m_nCursor = 5;
    doc->m_nRxLines = 2;
    doc->m_nDataSize = 40;
    doc->m_nLineCount = 3;

    doc->ClosePort();

    EXPECT_EQ(doc->m_bPortOpen, 0);
    EXPECT_EQ(doc->m_nCursor, 0);
    EXPECT_EQ(doc->m_nRxLines, 0);
    EXPECT_EQ(doc->m_nDataSize, 40);
    EXPECT_EQ(doc->GetLineCount(), 3);
    EXPECT_TRUE(PortIsFree());
}

TEST_F(LinkTest, DestroyingTheDocumentClosesThePort)
{
    doc->OpenLink();
    EXPECT_FALSE(PortIsFree());
    doc.reset();
    EXPECT_TRUE(PortIsFree());
}

struct DiscardCase {
    const char* name;
    std::function<void(CKorvaDoc&)> discard;
    int32_t cursor;  // after the discard, from 7
    friend void PrintTo(const DiscardCase& c, std::ostream* os) { *os << c.name; }
};

class DiscardTest : public LinkTest, public ::testing::WithParamInterface<DiscardCase> {};

TEST_P(DiscardTest, WhatWaitedIsGone)
{
    doc->OpenLink();
    device.send("OLD\r");
    ASSERT_TRUE(WaitUntil([this] { return PortQueueCount(doc->m_hPort, PORT_INPUT) >= 4; }));
    doc->m_nCursor = 7;

    GetParam().discard(*doc);

    EXPECT_EQ(doc->m_nCursor, GetParam().cursor);
    device.send("NEW\r");
    EXPECT_EQ(doc->ReceiveBlock(), 1);
    EXPECT_EQ(RxArea(), "NEW");
}

INSTANTIATE_TEST_SUITE_P(Link, DiscardTest, ::testing::Values(
    DiscardCase{"PurgePortLeavesTheCursor", [](CKorvaDoc& d) { d.PurgePort(); }, 7},
    DiscardCase{"OpenLinkResetsTheCursor", [](CKorvaDoc& d) { d.OpenLink(); }, 0}),
    [](const ::testing::TestParamInfo<DiscardCase>& info) { return std::string(info.param.name); });

// A read error closes the port, so that the next OpenLink finds a device that came later.
class ReopenTest : public LinkTest {
protected:
    void SetUp() override
    {
        LinkTest::SetUp();
        setenv("V24_COM1", link.c_str(), 1);
    }

    void PointLinkAt(const PtyFarEnd& far)
    {
        const std::string fresh = dir.file("fresh");
        std::filesystem::create_symlink(far.slavePath(), fresh);
        std::filesystem::rename(fresh, link);
    }

    // The search's dialogue: the identity query and the device's answer.
    void ExpectIdentified(PtyFarEnd& far)
    {
        doc->OpenLink();
        doc->SendCommand("R");
        EXPECT_EQ(far.receive(3), "R\r\n");
        far.send("VEQ-32-C 3.12\r");
        EXPECT_EQ(doc->ReceiveBlock(), 1);
        EXPECT_EQ(RxArea(), "VEQ-32-C 3.12");
    }

    void ExpectFailedReceive(int32_t code)
    {
        doc->m_nDataSize = 40;
        doc->m_nLineCount = 3;
        EXPECT_EQ(doc->ReceiveBlock(), code);
        EXPECT_EQ(doc->GetTransferState(), kStateSearch);
        EXPECT_EQ(doc->m_bPortOpen, 0);
        EXPECT_EQ(doc->m_nDataSize, 40);
        EXPECT_EQ(doc->GetLineCount(), 3);
    }

    std::string link = dir.file("line");
};

TEST_F(ReopenTest, PortThatFailedToOpenGives19AndOpensOnceTheDeviceExists)
{
    doc->OpenLink();
    EXPECT_LT(doc->m_hPort, 0);
    ExpectFailedReceive(PORT_E_HANDLE);

    PtyFarEnd plugged("");
    PointLinkAt(plugged);
    ExpectIdentified(plugged);
}

TEST_F(ReopenTest, DeviceThatVanishedIsFoundAgainWhenItComesBack)
{
    auto first = std::make_unique<PtyFarEnd>("");
    PointLinkAt(*first);
    ExpectIdentified(*first);

    first->hangUp();
    ExpectFailedReceive(PORT_E_API);
    first.reset();

    PtyFarEnd second("");
    PointLinkAt(second);
    ExpectIdentified(second);
}

}  // namespace
