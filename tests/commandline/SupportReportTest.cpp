// The support report as a helper reads it: versions, the port and its device file, the serial
// device behind it, the line as the open port reports it, the run's line errors, the capture
// history and the last transfer's log.
#include "SupportReport.h"

#include "CaptureHistory.h"
#include "KorvaDoc.h"
#include "LogFormat.h"
#include "PtyFarEnd.h"
#include "TempDir.h"
#include "TransferLog.h"
#include "Version.h"

#include <QDir>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

class SupportReportTest : public ::testing::Test {
protected:
    QString Report(const SerialDeviceList& devices)
    {
        return SupportReport(*doc, log, devices, CCaptureHistory(QString::fromStdString(dir.file("captures"))));
    }

    TempWorkDir dir;
    PtyFarEnd device{"COM1"};
    std::unique_ptr<CKorvaDoc> doc = std::make_unique<CKorvaDoc>();
    CTransferLog log;
};

}  // namespace

TEST_F(SupportReportTest, TellsThePortTheDeviceBehindItAndTheLineAsTheOpenPortReportsIt)
{
    doc->OpenPort();
    const QString path = QString::fromStdString(device.slavePath());
    const QString report = Report({{"ttyUSB0", "/dev/ttyUSB0", "FT232R USB UART", "FTDI", "A50285BI", "", "0403:6001",
                                    "ftdi_sio"},
                                   {"pts", path, "FT232R USB UART", "FTDI", "A50285BI",
                                    "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0", "0403:6001",
                                    "ftdi_sio"}});
    const QStringList expected = {
        QStringLiteral("korva support report, "),
        QStringLiteral("korva %1, Qt ").arg(QLatin1String(kVersionNumber)),
        QStringLiteral("System: "),
        QStringLiteral("Port: COM1 (no VEQ.INI in %1, so the first port)").arg(QDir::currentPath()),
        QStringLiteral("Device file: %1 (environment V24_COM1)").arg(path),
        QStringLiteral("Serial device: %1: FT232R USB UART, driver ftdi_sio, USB 0403:6001, FTDI, serial number "
                       "A50285BI\n  /dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0")
            .arg(path),
        QStringLiteral("Line settings (read back from the open port): 115200 baud, 7 data bits, odd parity, 2 stop "
                       "bits, XON/XOFF\nModem lines: DTR on, RTS on, "),
        QStringLiteral("Line errors in this run: 0 parity errors, 0 framing errors, 0 overruns, 0 NUL characters"),
        QStringLiteral("Capture history: %1 (0 captures)").arg(QString::fromStdString(dir.file("captures"))),
        QStringLiteral("Last transfer's log: no transfer in this run"),
    };
    qsizetype at = 0;
    for (const QString& part : expected) {
        const qsizetype found = report.indexOf(part, at);
        EXPECT_GE(found, at) << part.toStdString() << "\nnot in order in\n" << report.toStdString();
        at = std::max(found, at);
    }
}

TEST_F(SupportReportTest, ClosedPortNewestCapturesAndTheLastTransfersLog)
{
    doc->m_dlgInterface.m_nPortIndex = 2;
    setenv("V24_COM3", dir.file("nothing-here").c_str(), 1);
    doc->OpenPort();
    const CCaptureHistory history(QString::fromStdString(dir.file("captures")));
    doc->OnNewDocument();
    const std::string data = "ADJUSTMENT DATA\rDATA END________\r";
    data.copy(doc->m_data, data.size());
    doc->m_nDataSize = static_cast<int32_t>(data.size());
    QString error;
    for (int second = 0; second < kReportedCaptures + 2; ++second)
        ASSERT_FALSE(history.Keep(*doc, "DD", &error, QDateTime(QDate(2025, 1, 10), QTime(14, 0, second))).isEmpty());
    log.BeginTransfer(QStringLiteral("all data (DA)"));
    log.AddBytes(CTransferLog::kSent, "DA\r\n", 4);
    log.BeginTransfer(QStringLiteral("adjustment data (DD)"));
    log.AddBytes(CTransferLog::kSent, "DD\r\n", 4);

    const QString report = Report({});
    unsetenv("V24_COM3");
    EXPECT_TRUE(report.contains(QStringLiteral("Port: COM3 (given on the command line)")));
    EXPECT_TRUE(report.contains(QStringLiteral("Serial device: none of the system's serial devices is behind ")));
    EXPECT_TRUE(report.contains(QStringLiteral("Line settings: the port is not open: COM3 (%1): not found")
                                    .arg(QString::fromStdString(dir.file("nothing-here")))));
    EXPECT_TRUE(report.contains(QStringLiteral("(7 captures)\n  2025-01-10_14-00-06_DD.txt  2 lines, 35 bytes\n")));
    EXPECT_EQ(report.count(QStringLiteral("_DD.txt")), kReportedCaptures);
    EXPECT_FALSE(report.contains(QStringLiteral("14-00-01_DD")));
    const QString last = report.section(QStringLiteral("Last transfer's log:\n"), 1);
    EXPECT_TRUE(last.contains(QRegularExpression(QStringLiteral("^ +\\d+ TRANSFER adjustment data \\(DD\\)\n +\\d+ TX       "
                                                                "DD<CR><LF>\n$"))))
        << report.toStdString();
    EXPECT_FALSE(report.contains(QStringLiteral("TX       DA")));
}
