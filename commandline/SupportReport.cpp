#include "SupportReport.h"

#include "CaptureHistory.h"
#include "KorvaDoc.h"
#include "PortFile.h"
#include "PortNames.h"
#include "TransferLog.h"
#include "Version.h"

#include <QDateTime>
#include <QFileInfo>
#include <QDir>
#include <QStringList>
#include <QSysInfo>
#include <QtGlobal>

#include <cstdio>

namespace {

QString VersionLines()
{
    return QStringLiteral("korva %1, Qt %2 (built with %3)\nSystem: %4, %5 %6, %7\n")
        .arg(QLatin1String(kVersionNumber), QLatin1String(qVersion()), QLatin1String(QT_VERSION_STR),
             QSysInfo::prettyProductName(), QSysInfo::kernelType(), QSysInfo::kernelVersion(),
             QSysInfo::currentCpuArchitecture());
}

// Where the chosen port comes from: the port file, or the command line's --port.
QString PortLines(const CKorvaDoc& doc, const CLineState& state)
{
    const std::optional<int32_t> fromFile = ReadPortFile();
    const QString where = fromFile.value_or(0) != doc.m_dlgInterface.m_nPortIndex
        ? QStringLiteral("given on the command line")
        : fromFile ? QStringLiteral("%1 in %2").arg(QLatin1String(kPortFileName), QDir::currentPath())
                   : QStringLiteral("no %1 in %2, so the first port").arg(QLatin1String(kPortFileName), QDir::currentPath());
    const QString file = state.strDeviceFile.isEmpty() ? QStringLiteral("(no device file)") : state.strDeviceFile;
    return QStringLiteral("Port: %1 (%2)\nDevice file: %3 (%4)\n").arg(state.strPort, where, file, state.strSource);
}

QString DeviceLines(const CLineState& state, const SerialDeviceList& devices)
{
    const SerialDeviceInfo* device = DeviceReachedBy(devices, state.strDeviceFile);
    if (!device)
        return QStringLiteral("Serial device: none of the system's serial devices is behind %1\n")
            .arg(state.strDeviceFile.isEmpty() ? QStringLiteral("the port") : state.strDeviceFile);
    QStringList about = {device->description.isEmpty() ? QStringLiteral("no description") : device->description};
    about << QStringLiteral("driver %1").arg(device->driver.isEmpty() ? QStringLiteral("unknown") : device->driver);
    if (!device->usbId.isEmpty())
        about << QStringLiteral("USB %1").arg(device->usbId);
    if (!device->manufacturer.isEmpty())
        about << device->manufacturer;
    if (!device->serialNumber.isEmpty())
        about << QStringLiteral("serial number %1").arg(device->serialNumber);
    QString text = QStringLiteral("Serial device: %1: %2\n").arg(device->location, about.join(QStringLiteral(", ")));
    if (!device->byIdPath.isEmpty())
        text += QStringLiteral("  %1\n").arg(device->byIdPath);
    return text;
}

QString LineLines(const CKorvaDoc& doc, bool open, const CLineState& state)
{
    QString text;
    if (open) {
        text = QStringLiteral("Line settings (read back from the open port): %1\nModem lines: %2\n")
                   .arg(DescribeLineSettings(state), DescribeModemLines(state));
    } else {
        const QString why = doc.OpenFailure().isEmpty() ? QString() : QStringLiteral(": %1").arg(doc.OpenFailure());
        text = QStringLiteral("Line settings: the port is not open%1\n").arg(why);
    }
    return text + QStringLiteral("Line errors in this run: %1\n").arg(CountDamage(doc.RunDamage()));
}

QString CaptureLines(const CCaptureHistory& history)
{
    const std::vector<CCapture> captures = history.List();
    QString text = QStringLiteral("Capture history: %1 (%2 captures)\n")
                       .arg(QDir::toNativeSeparators(history.Folder()))
                       .arg(captures.size());
    for (size_t i = 0; i < captures.size() && i < static_cast<size_t>(kReportedCaptures); ++i) {
        const CCapture& c = captures[i];
        text += QStringLiteral("  %1  %2 lines, %3 bytes\n").arg(QFileInfo(c.path).fileName()).arg(c.lines).arg(c.size);
    }
    return text;
}

QString LogLines(const CTransferLog& log)
{
    const QByteArray last = log.LastTransfer();
    if (last.isEmpty())
        return QStringLiteral("Last transfer's log: no transfer in this run\n");
    return QStringLiteral("Last transfer's log:\n") + QString::fromUtf8(last);
}

}  // namespace

QString SupportReport(const CKorvaDoc& doc, const CTransferLog& log, const SerialDeviceList& devices,
                      const CCaptureHistory& history)
{
    CLineState state;
    const bool open = doc.ReadLineState(&state);
    return QStringLiteral("korva support report, %1\n\n").arg(QDateTime::currentDateTime().toString(Qt::ISODate))
        + VersionLines() + QLatin1Char('\n') + PortLines(doc, state) + DeviceLines(state, devices)
        + LineLines(doc, open, state) + QLatin1Char('\n') + CaptureLines(history) + QLatin1Char('\n')
        + LogLines(log);
}

QString SupportReport(const CKorvaDoc& doc)
{
    return SupportReport(doc, CTransferLog::Program(), ListSerialDevices(), CCaptureHistory());
}

int PrintSupportReport(int32_t port)
{
    CKorvaDoc doc;
    if (port >= 0)
        doc.m_dlgInterface.m_nPortIndex = port;
    // Opened only to read the line back: nothing is sent.
    doc.OpenPort();
    const QString report = SupportReport(doc);
    doc.ClosePort();
    std::fputs(report.toLocal8Bit().constData(), stdout);
    return 0;
}
