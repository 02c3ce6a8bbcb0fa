// korva --ports: every port with its device file and where that comes from, then the devices.
#include "PortsReport.h"
#include "TempDir.h"

#include "v24.h"

#include <QRegularExpression>
#include <QSettings>
#include <gtest/gtest.h>

TEST(PortsReportTest, EachPortShowsItsFileAndSourceAndEachDeviceItsDescriptionAndLink)
{
    TempWorkDir dir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(dir.file("config")));
    QSettings().setValue(QStringLiteral("Ports/COM2"), QStringLiteral("/dev/serial/by-id/usb-FTDI_X-if00-port0"));
    QSettings().setValue(QStringLiteral("Ports/COM3"), QStringLiteral("/dev/ttyUSB1"));
    setenv("V24_COM3", "/dev/pts/5", 1);
    const QString report = PortsReport({{"ttyUSB0", "/dev/ttyUSB0", "FT232R USB UART", "FTDI", "A50285BI",
                                         "/dev/serial/by-id/usb-FTDI_X-if00-port0"}});
    unsetenv("V24_COM3");
    PortSetDeviceFile("COM2", nullptr);
    PortSetDeviceFile("COM3", nullptr);
    for (const char* line : {"\n  COM1 +/dev/ttyS0 +default\n", "\n  COM2 +/dev/serial/by-id/usb-FTDI_X-if00-port0 +settings\n",
                             "\n  COM3 +/dev/pts/5 +environment \\(V24_COM3\\)\n", "\n  COM16 +/dev/ttyS15 +default\n",
                             "\n  /dev/ttyUSB0 +FT232R USB UART, FTDI, serial number A50285BI\n"
                             " +/dev/serial/by-id/usb-FTDI_X-if00-port0\n"}) {
        EXPECT_TRUE(report.contains(QRegularExpression(QString::fromLatin1(line)))) << line << "\n" << report.toStdString();
    }
}
