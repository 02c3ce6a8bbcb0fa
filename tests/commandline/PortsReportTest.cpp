// korva --ports lists the devices with their descriptions and by-id links (the ports' lines are
// checked on the program itself, App.PortsNamesEachPortsFileAndWhereItComesFrom).
#include "PortsReport.h"

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
