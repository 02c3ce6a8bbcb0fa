// korva: the PC side of the Tuning Set VEQ-32-C. The command line takes an optional data
// file to open; --simulate tries the program against the device simulator.
#include "CommandLine.h"
#include "Demo.h"
#include "Korva.h"
#include "KorvaDoc.h"
#include "KorvaResources.h"
#include "PortsReport.h"
#include "SimulatedDevice.h"
#include "SupportReport.h"
#include "TransferLog.h"
#include "Version.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QTranslator>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr const char* kUsage =
    "Usage: korva [options] [file]\n"
    "\n"
    "The PC side of the Tuning Set VEQ-32-C: finds the device on the configured serial port,\n"
    "pulls its data into working storage, saves and opens data files (*.txt), puts data back\n"
    "into the device and resets it to its delivery mode.\n"
    "\n"
    "  file            a data file to open at start-up\n"
    "  --simulate      start the device simulator (veq-sim) on a pseudo-terminal and use it\n"
    "                  on the configured port instead of a device\n"
    "  --demo          with --simulate: identify the device, download all data, save them to\n"
    "                  korva-demo.txt and a picture of the window to korva-demo.png in the\n"
    "                  current folder, then end\n"
    "  --ports         list COM1 to COM16 with the device file each opens and where that comes\n"
    "                  from, then the serial devices found, and end (needs no display)\n"
    "  --version       show the version and end\n"
    "  -h, --help      show this text and end\n"
    "\n"
    "Without a window (progress on a terminal, exit status 0 on success, 1 on a failure with\n"
    "its reason on stderr, 2 for a wrong command line):\n"
    "  --download KIND --output FILE\n"
    "                  find the device, download the data of KIND (see below) into\n"
    "                  FILE; a copy goes into the capture history\n"
    "  --upload FILE   find the device and put the data file FILE into it\n"
    "  --verify FILE   find the device, read its data (of the kind of FILE when FILE is a\n"
    "                  capture of the history, else all data) and compare them with FILE:\n"
    "                  status 0 when the device holds exactly its data, 1 with the number\n"
    "                  of differing lines and the first of them\n"
    "  --upload FILE --verify\n"
    "                  upload FILE, then compare the device's data with it\n"
    "  --report        print the support report (versions, system, the port and its device,\n"
    "                  the line read back from the port, the capture history, the last\n"
    "                  transfer's log) and end; nothing is sent to the device\n"
    "  --port COMn     with the above: use COMn instead of the configured port\n"
    "\n"
    "In the window and without it:\n"
    "  --log FILE      write the transfer log (every character on the line, with its time,\n"
    "                  and the port's events) to FILE as it goes, behind what FILE holds\n"
    "\n"
    "The port (COM1 to COM16) is chosen in Adjustment/Interface and kept in VEQ.INI in the\n"
    "current folder; the dialog also chooses the device file of each port, kept in the settings\n"
    "(group Ports). Without one COMn is /dev/ttyS<n-1>. The environment variable V24_COMn\n"
    "overrides both, for example V24_COM1=/dev/ttyUSB0.\n";

void PrintVersion()
{
    std::printf("korva %s\n%s, %s (%s)\nFile version %s, internal name %s, original file %s\n", kVersionNumber,
                kProductName, kFileDescription, kCompanyName, kFileVersion, kInternalName, kOriginalFilename);
}

// The framework speaks German: its file dialogs and standard buttons come with Qt's German texts.
void LoadGermanStockTexts(QApplication& app)
{
    auto* translator = new QTranslator(&app);
    if (translator->load(QStringLiteral("qtbase_de"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(translator);
}

// The window's framework takes every argument that is no flag for a data file to open: the
// log's file is none, and is left out of what the window sees.
std::vector<char*> WindowArguments(int argc, char** argv)
{
    std::vector<char*> kept;
    for (int i = 0; i < argc; ++i) {
        if (i > 0 && std::strcmp(argv[i], "--log") == 0) {
            ++i;
            continue;
        }
        kept.push_back(argv[i]);
    }
    kept.push_back(nullptr);
    return kept;
}

int UsageError(const QString& error)
{
    std::fprintf(stderr, "korva: %s\n%s", qPrintable(error), qPrintable(TransferUsage()));
    return kExitUsage;
}

// --log FILE, before anything passes the line: a file in a folder that exists, which can be
// written. 0 when the log goes there, else the exit status, with the reason told.
int StartLogFile(const QString& path)
{
    const QFileInfo file(path);
    if (path.isEmpty() || file.isDir() || !file.absoluteDir().exists())
        return UsageError(QStringLiteral("--log: %1 is no file in a folder that exists").arg(path));
    QString error;
    if (CTransferLog::Program().WriteTo(path, &error))
        return 0;
    std::fprintf(stderr, "korva: the transfer log cannot be written to %s: %s\n", qPrintable(path), qPrintable(error));
    return kExitFailed;
}

// A transfer or the support report from the command line: no window, and no display needed.
int RunCommandLine(int argc, char** argv, const CTransferOptions& options, bool report)
{
    CTransferJob job;
    QString error;
    if (report) {
        if (!options.strDownload.isEmpty() || !options.strUpload.isEmpty() || !options.strOutput.isEmpty()
            || options.bVerify || !options.files.isEmpty())
            return UsageError(QStringLiteral("--report goes alone, with --port and --log at most"));
        if (!PortOption(options.strPort, &job.nPort, &error))
            return UsageError(error);
    } else if (!MakeTransferJob(options, &job, &error)) {
        return UsageError(error);
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt's own remarks (a missing runtime folder, say) are no business of the user's here:
    // stderr carries the progress and at most one line about the outcome.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            std::fprintf(stderr, "korva: %s\n", qPrintable(text));
    });
    QApplication app(argc, argv);
    RegisterKorvaResources();
    SelectKorvaSettings();
    return report ? PrintSupportReport(job.nPort) : RunTransferJob(job);
}

}  // namespace

int main(int argc, char** argv)
{
    // Parsed before the window system is asked for: --help and --version need no display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QString());
    const QCommandLineOption version(QStringLiteral("version"), QString());
    const QCommandLineOption simulate(QStringLiteral("simulate"), QString());
    const QCommandLineOption demo(QStringLiteral("demo"), QString());
    const QCommandLineOption download(QStringLiteral("download"), QString(), QStringLiteral("kind"));
    const QCommandLineOption output(QStringLiteral("output"), QString(), QStringLiteral("file"));
    const QCommandLineOption upload(QStringLiteral("upload"), QString(), QStringLiteral("file"));
    const QCommandLineOption port(QStringLiteral("port"), QString(), QStringLiteral("name"));
    const QCommandLineOption ports(QStringLiteral("ports"), QString());
    const QCommandLineOption verify(QStringLiteral("verify"), QString());
    const QCommandLineOption report(QStringLiteral("report"), QString());
    const QCommandLineOption log(QStringLiteral("log"), QString(), QStringLiteral("file"));
    parser.addOptions({help, version, simulate, demo, download, output, upload, port, ports, verify, report, log});
    if (!parser.parse(arguments)) {
        std::fprintf(stderr, "korva: %s\n%s\n%s", qPrintable(parser.errorText()), kUsage, qPrintable(TransferUsage()));
        return kExitUsage;
    }
    if (parser.isSet(help)) {
        std::printf("%s\n%s", kUsage, qPrintable(TransferUsage()));
        return 0;
    }
    if (parser.isSet(version)) {
        PrintVersion();
        return 0;
    }
    if (parser.isSet(ports))
        return PrintPortsReport(argc, argv);
    if (parser.isSet(demo) && !parser.isSet(simulate)) {
        std::fprintf(stderr, "korva: --demo needs --simulate\n");
        return kExitUsage;
    }
    if (parser.isSet(log)) {
        if (const int status = StartLogFile(parser.value(log)); status != 0)
            return status;
    }
    if (parser.isSet(download) || parser.isSet(upload) || parser.isSet(output) || parser.isSet(port)
        || parser.isSet(verify) || parser.isSet(report)) {
        CTransferOptions options;
        options.strDownload = parser.value(download);
        options.strOutput = parser.value(output);
        options.strUpload = parser.value(upload);
        options.strPort = parser.value(port);
        options.bVerify = parser.isSet(verify);
        options.files = parser.positionalArguments();
        return RunCommandLine(argc, argv, options, parser.isSet(report));
    }

    std::vector<char*> windowArguments = WindowArguments(argc, argv);
    int windowArgc = static_cast<int>(windowArguments.size()) - 1;
    QApplication app(windowArgc, windowArguments.data());
    LoadGermanStockTexts(app);
    RegisterKorvaResources();

    CSimulatedDevice simulator;
    CDemo demoDriver;
    theApp.m_afterStart = [&]() {
        if (!parser.isSet(simulate))
            return true;
        QString error;
        const int port = theApp.GetDocument()->m_dlgInterface.m_nPortIndex;
        if (!simulator.Start(port, &error)) {
            std::fprintf(stderr, "korva: %s\n", qPrintable(error));
            return false;
        }
        std::printf("korva: the simulated device is on %s\n", qPrintable(simulator.TerminalPath()));
        std::fflush(stdout);
        if (parser.isSet(demo))
            demoDriver.Start();
        return true;
    };
    const int code = theApp.Run();
    return code == 0 && parser.isSet(demo) && !demoDriver.Succeeded() ? 1 : code;
}
