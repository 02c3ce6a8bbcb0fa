// korva --ports lists the devices with their descriptions and by-id links (the ports' lines are
// checked on the program itself, App.PortsNamesEachPortsFileAndWhereItComesFrom).
#include "PortsReport.h"

#include "TempDir.h"

#include <QDir>

#include <gtest/gtest.h>

TEST(PortsReportTest, EachDeviceShowsItsDescriptionManufacturerSerialNumberAndLink)
{
    const QString report = PortsReport({{"ttyUSB0", "/dev/ttyUSB0", "FT232R USB UART", "FTDI", "A50285BI",
                                         "/dev/serial/by-id/usb-FTDI_X-if00-port0"},
                                        {"ttyS0", "/dev/ttyS0", "", "", "", ""}});
    EXPECT_TRUE(report.endsWith("\nSerial devices:\n"
                                "  /dev/ttyUSB0     FT232R USB UART, FTDI, serial number A50285BI\n"
                                "                   /dev/serial/by-id/usb-FTDI_X-if00-port0\n"
                                "  /dev/ttyS0       no description\n"))
        << report.toStdString();
}

// The chosen port as VEQ.INI gives it: a file that names no port is said to, not shown as if it
// named COM1.
TEST(PortsReportTest, TheChosenPortSaysWhenVeqIniHoldsNoPortName)
{
    const struct {
        const char* content;
        std::string firstLine;  // %W: the folder
    } cases[] = {
        {"COM3", "Chosen port: COM3 (VEQ.INI in %W)"},
        {"COM1\r\n", "Chosen port: COM1 (VEQ.INI in %W)"},
        {"COM17", "Chosen port: COM1 (VEQ.INI holds no port name; COM1 is used)"},
        {"", "Chosen port: COM1 (VEQ.INI holds no port name; COM1 is used)"},
        {nullptr, "Chosen port: COM1 (VEQ.INI in %W)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.content ? c.content : "no VEQ.INI");
        TempWorkDir dir;
        if (c.content)
            WriteWholeFile(dir.file("VEQ.INI"), c.content);
        std::string expected = c.firstLine;
        if (const size_t at = expected.find("%W"); at != std::string::npos)
            expected.replace(at, 2, QDir::currentPath().toStdString());
        const QString report = PortsReport({});
        EXPECT_EQ(report.left(report.indexOf(QLatin1Char('\n'))).toStdString(), expected);
    }
}
