// What the line does to a download, as the link finds it: errors the port reports, NUL
// characters, lines split at the read's limit or by a pause; and the transfer log the link
// writes meanwhile. Parity errors come through the port library's fake backend, as a
// pseudo-terminal carries no parity.
#include "LinkFixture.h"

#include "LogFormat.h"
#include "TransferLog.h"
#include "comm_fake.h"
#include "v24.h"

#include <QByteArray>

#include <functional>
#include <string>

namespace {

std::string Letters(size_t count, char first = 'A')
{
    std::string text;
    for (size_t i = 0; i < count; ++i)
        text += static_cast<char>(first + i % 26);
    return text;
}

QByteArray LogText()
{
    return CTransferLog::Program().Text();
}

bool SameDamage(const CLineDamage& a, const CLineDamage& b)
{
    return a.nParity == b.nParity && a.nFraming == b.nFraming && a.nOverrun == b.nOverrun && a.nNul == b.nNul
        && a.nLongLines == b.nLongLines && a.nPausedLines == b.nPausedLines;
}

std::string Shown(const CLineDamage& d)
{
    return DescribeDamage(d).toStdString();
}

// A document on the fake backend's COM1, whose far end the test feeds.
class FakeLinkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CKorvaDoc::ResetIdleCountdown();
        line = &fake.addLine("\\\\.\\COM1");
        previous = v24::SetCommPlatform(&fake);
        doc = std::make_unique<CKorvaDoc>();
        CTransferLog::Program().Clear();
    }
    void TearDown() override
    {
        doc.reset();
        v24::SetCommPlatform(previous);
    }
    void Receive()
    {
        doc->SetTransferState(kStateReceiving);
        for (int i = 0; i < 50 && doc->GetTransferState() == kStateReceiving; ++i)
            doc->ReceiveBlock();
    }

    TempWorkDir dir;
    v24::FakeComm fake;
    v24::FakeLine* line = nullptr;
    v24::CommPlatform* previous = nullptr;
    std::unique_ptr<CKorvaDoc> doc;
};

}  // namespace

TEST_F(FakeLinkTest, ErrorsThePortReportsAreTheDownloadsDamageAndTheLogShowsThem)
{
    struct Row {
        const char* what;
        std::function<void(v24::FakeLine&)> errors;
        CLineDamage damage;
        const char* shown;
    } rows[] = {
        {"parity and framing counted by the driver", [](v24::FakeLine& l) { l.addCountedErrors(0, 3, 1); },
         [] { CLineDamage d; d.nParity = 3; d.nFraming = 1; return d; }(),
         "3 parity errors and 1 framing error arrived on the line"},
        {"a driver that only says an overrun came", [](v24::FakeLine& l) { l.addErrors(v24::kErrOverrun); },
         [] { CLineDamage d; d.nOverrun = 1; return d; }(), "1 overrun arrived on the line"},
        {"none", [](v24::FakeLine&) {}, CLineDamage(), ""},
    };
    for (const Row& r : rows) {
        CTransferLog::Program().Clear();
        doc->OpenLink();
        // Errors before the request are not the download's.
        line->addCountedErrors(0, 7, 0);
        doc->SendCommand("DD");
        line->feed("ADJUSTMENT DATA\r\n");
        r.errors(*line);
        line->feed("DATA END________\r\n\x04");
        Receive();
        ASSERT_EQ(doc->GetTransferState(), kStateCaptured) << r.what;
        // The data are kept as they came.
        EXPECT_EQ(Data(*doc), "ADJUSTMENT DATA\rDATA END________\r") << r.what;
        const CLineDamage damage = doc->TakeTransferDamage();
        EXPECT_TRUE(SameDamage(damage, r.damage)) << r.what << ": " << Shown(damage);
        EXPECT_EQ(Shown(damage), r.shown) << r.what;
        EXPECT_TRUE(LogText().contains("ERRORS   7 parity errors arrived on the line before the transfer")) << r.what;
        EXPECT_EQ(LogText().contains(QByteArray("ERRORS   ") + r.shown + " in the line"), damage.Any()) << r.what;
        EXPECT_FALSE(doc->TakeTransferDamage().Any()) << r.what;
    }
    EXPECT_EQ(doc->RunDamage().nParity, 3u + 7 * 3);
}

TEST_F(FakeLinkTest, ANulAmongTheCharactersIsADamagedCharacter)
{
    doc->OpenLink();
    doc->SendCommand("DS");
    line->feed(std::string("T12 WER\0KMEISTER V\r\n\0\0\r\n\x04", 25));
    Receive();
    ASSERT_EQ(doc->GetTransferState(), kStateCaptured);
    const CLineDamage damage = doc->TakeTransferDamage();
    EXPECT_EQ(damage.nNul, 3u);
    EXPECT_EQ(Shown(damage), "3 NUL characters arrived on the line");
    EXPECT_TRUE(LogText().contains("RX       T12 WER<NUL>KMEISTER V<CR><LF>"));
    EXPECT_TRUE(LogText().contains("DAMAGE   1 NUL character in the line"));
    EXPECT_TRUE(LogText().contains("DAMAGE   2 NUL characters in the line"));
}

TEST_F(LinkTest, LinesLongerThanOneReadAreSplitAndCountedSo)
{
    struct Row {
        const char* what;
        std::string wire;
        uint32_t longLines;
    } rows[] = {
        {"two lines of 600", Letters(600) + "\r\n" + Letters(600, 'a') + "\r\nEND\r\n\x04", 2},
        {"one of 1100 is split twice", Letters(1100) + "\r\n\x04", 2},
        {"exactly 500 fits one read", Letters(500) + "\r\nB\r\n\x04", 0},
        {"500 then the EOT", Letters(500) + "\x04", 0},
    };
    for (const Row& r : rows) {
        doc->OpenLink();
        doc->SendCommand("DA");
        device.receive(4, 1000);
        device.send(r.wire);
        ReceiveAll();
        ASSERT_EQ(doc->GetTransferState(), kStateCaptured) << r.what;
        const CLineDamage damage = doc->TakeTransferDamage();
        EXPECT_EQ(damage.nLongLines, r.longLines) << r.what;
        EXPECT_EQ(damage.Any(), r.longLines > 0) << r.what;
    }
}

TEST_F(LinkTest, APauseInsideALineLongerThanTheReadTimeOutSplitsItAndCountsSo)
{
    CTransferLog::Program().Clear();
    doc->OpenLink();
    doc->SendCommand("DT");
    device.receive(4, 1000);
    device.play({{"T11 KIRNBERGER\r\nT12 WERCK", 1500}, {"MEISTER V\r\n\x04", 0}});
    ReceiveAll();
    device.finish();
    ASSERT_EQ(doc->GetTransferState(), kStateCaptured);
    // The receive goes on splitting the line as it does; the download is damaged.
    EXPECT_EQ(Data(*doc), "T11 KIRNBERGER\rT12 WERCK\rMEISTER V\r");
    const CLineDamage damage = doc->TakeTransferDamage();
    EXPECT_EQ(damage.nPausedLines, 1u);
    EXPECT_EQ(Shown(damage), "1 line was split by a pause of the device");
    const QByteArray log = LogText();
    EXPECT_TRUE(log.contains("TX       DT<CR><LF>"));
    // The read holds the LF of the line before as well.
    EXPECT_TRUE(log.contains("TIMEOUT  no character for 1000 ms; the read ends with 10 characters"));
    EXPECT_TRUE(log.contains("DAMAGE   the device paused inside a line: the line is split here"));
    EXPECT_TRUE(log.contains("RX       MEISTER V<CR><LF>"));
    EXPECT_TRUE(log.contains("RX       <EOT>"));
}

TEST_F(LinkTest, TheLogShowsTheOpenWithTheLineAsThePortReportsIt)
{
    CTransferLog::Program().Clear();
    doc->OpenLink();
    const QByteArray log = LogText();
    EXPECT_TRUE(log.contains(QByteArray("OPEN     COM1 ") + device.slavePath().c_str()
                             + " (environment V24_COM1): 115200 baud, 7 data bits, odd parity, 2 stop bits, "
                               "XON/XOFF; DTR on, RTS on"))
        << log.toStdString();
    EXPECT_TRUE(log.contains("PURGE    input and output"));
    CLineState state;
    ASSERT_TRUE(doc->ReadLineState(&state));
    EXPECT_EQ(state.nBaud, 115200);
    EXPECT_EQ(state.nParity, 'O');
    doc->ClosePort();
    EXPECT_TRUE(LogText().contains("CLOSE    COM1"));
    EXPECT_FALSE(doc->ReadLineState(&state));
    EXPECT_EQ(state.strPort, QStringLiteral("COM1"));
}
