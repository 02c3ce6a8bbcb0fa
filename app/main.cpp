// korva: the PC side of the Tuning Set VEQ-32-C. The command line takes an optional data
// file to open; --simulate tries the program against the device simulator.
#include "CommandLine.h"
#include "Demo.h"
#include "Korva.h"
#include "KorvaDoc.h"
#include "KorvaResources.h"
#include "PortFile.h"
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
#include <QRegularExpression>
#include <QTranslator>
#include <cstdio>
#include <cstring>
#include <optional>
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
    "                  FILE (- for standard output); a copy goes into the capture history.\n"
    "                  A download that is not complete never replaces FILE: its lines\n"
    "                  are in the capture history\n"
    "  --upload FILE   find the device and put the data file FILE into it; with automatic\n"
    "                  backups on (Adjustment, Automatic backups) all data are read from the\n"
    "                  device into the capture history first, and nothing is uploaded when\n"
    "                  that backup fails\n"
    "  --no-backup     with --upload: no automatic backup first\n"
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
    "  --simulate      with --download, --upload or --verify: the simulator instead of a device\n"
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

// Qt's remark about a settings value of a type the program does not know (a settings file
// written by another program, or edited by hand) is no business of the user's: the value just
// counts as none. Everything else goes on to the handler before.
QtMessageHandler g_previousMessageHandler = nullptr;

void DropUnknownTypeRemarks(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (text.startsWith(QLatin1String("QVariant::load: unknown user type")))
        return;
    g_previousMessageHandler(type, context, text);
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
int RunCommandLine(int argc, char** argv, const CTransferOptions& options, bool report, bool simulate)
{
    CTransferJob job;
    QString error;
    if (report) {
        if (!options.strDownload.isEmpty() || !options.strUpload.isEmpty() || !options.strOutput.isEmpty()
            || options.bVerify || options.bNoBackup || !options.files.isEmpty() || simulate)
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
    if (report)
        return PrintSupportReport(job.nPort);
    // The simulator serves the port the transfer uses; it ends with the transfer.
    CSimulatedDevice simulator;
    if (simulate && !simulator.Start(job.nPort >= 0 ? job.nPort : ReadPortFile().value_or(0), &error)) {
        std::fprintf(stderr, "korva: %s\n", qPrintable(error));
        return kExitFailed;
    }
    return RunTransferJob(job);
}

// The options korva knows, and the parsed command line.
struct CKorvaOptions {
    CKorvaOptions() { parser.addOptions(All()); }
    QList<QCommandLineOption> All() const
    {
        return {help, version, simulate, demo, download, output, upload, port, ports, verify, noBackup, report, log};
    }
    bool IsSet(const QCommandLineOption& option) const { return parser.isSet(option); }
    // The first option given more than once, by the name it was given with; empty if none.
    QString Repeated() const
    {
        for (const QCommandLineOption& option : All()) {
            const QStringList given = parser.optionNames().filter(
                QRegularExpression(QStringLiteral("^(%1)$").arg(option.names().join(QLatin1Char('|')))));
            if (given.size() > 1)
                return (given.last().size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + given.last();
        }
        return QString();
    }
    bool AsksForTransfer() const
    {
        return IsSet(download) || IsSet(upload) || IsSet(output) || IsSet(port) || IsSet(verify) || IsSet(noBackup)
            || IsSet(report);
    }
    CTransferOptions TransferOptions() const
    {
        CTransferOptions options;
        options.strDownload = parser.value(download);
        options.strOutput = parser.value(output);
        options.strUpload = parser.value(upload);
        options.strPort = parser.value(port);
        options.bVerify = IsSet(verify);
        options.bNoBackup = IsSet(noBackup);
        options.files = parser.positionalArguments();
        return options;
    }

    const QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")}, QString()};
    const QCommandLineOption version{QStringLiteral("version"), QString()};
    const QCommandLineOption simulate{QStringLiteral("simulate"), QString()};
    const QCommandLineOption demo{QStringLiteral("demo"), QString()};
    const QCommandLineOption download{QStringLiteral("download"), QString(), QStringLiteral("kind")};
    const QCommandLineOption output{QStringLiteral("output"), QString(), QStringLiteral("file")};
    const QCommandLineOption upload{QStringLiteral("upload"), QString(), QStringLiteral("file")};
    const QCommandLineOption port{QStringLiteral("port"), QString(), QStringLiteral("name")};
    const QCommandLineOption ports{QStringLiteral("ports"), QString()};
    const QCommandLineOption verify{QStringLiteral("verify"), QString()};
    const QCommandLineOption noBackup{QStringLiteral("no-backup"), QString()};
    const QCommandLineOption report{QStringLiteral("report"), QString()};
    const QCommandLineOption log{QStringLiteral("log"), QString(), QStringLiteral("file")};
    QCommandLineParser parser;
};

// What the command line asks for without a window (the help, the version, the ports report, a
// transfer, or a wrong command line): its exit status; nothing when it asks for the window.
std::optional<int> RunWithoutWindow(const CKorvaOptions& options, int argc, char** argv)
{
    if (options.IsSet(options.help)) {
        std::printf("%s\n%s", kUsage, qPrintable(TransferUsage()));
        return 0;
    }
    if (options.IsSet(options.version)) {
        PrintVersion();
        return 0;
    }
    if (options.IsSet(options.ports))
        return PrintPortsReport(argc, argv);
    if (options.IsSet(options.demo) && !options.IsSet(options.simulate)) {
        std::fprintf(stderr, "korva: --demo needs --simulate\n");
        return kExitUsage;
    }
    if (options.IsSet(options.log)) {
        if (const int status = StartLogFile(options.parser.value(options.log)); status != 0)
            return status;
    }
    if (options.AsksForTransfer() && options.IsSet(options.demo)) {
        std::fprintf(stderr, "korva: --demo goes without --download and --upload\n%s", qPrintable(TransferUsage()));
        return kExitUsage;
    }
    if (options.AsksForTransfer())
        return RunCommandLine(argc, argv, options.TransferOptions(), options.IsSet(options.report),
                              options.IsSet(options.simulate));
    return std::nullopt;
}

// The simulated device on the configured port, and the demonstration when one is given; false,
// with the reason on stderr, when the simulator did not start.
bool StartSimulator(CSimulatedDevice& simulator, CDemo* demo)
{
    QString error;
    if (!simulator.Start(theApp.GetDocument()->m_dlgInterface.m_nPortIndex, &error)) {
        std::fprintf(stderr, "korva: %s\n", qPrintable(error));
        return false;
    }
    std::printf("korva: the simulated device is on %s\n", qPrintable(simulator.TerminalPath()));
    std::fflush(stdout);
    if (demo)
        demo->Start();
    return true;
}

// The program with its window; with the simulator once the window stands, when asked for.
int RunWindow(int argc, char** argv, bool simulate, bool demo)
{
    std::vector<char*> windowArguments = WindowArguments(argc, argv);
    int windowArgc = static_cast<int>(windowArguments.size()) - 1;
    QApplication app(windowArgc, windowArguments.data());
    LoadGermanStockTexts(app);
    RegisterKorvaResources();

    CSimulatedDevice simulator;
    CDemo demoDriver;
    theApp.m_afterStart = [&] { return !simulate || StartSimulator(simulator, demo ? &demoDriver : nullptr); };
    const int code = theApp.Run();
    return code == 0 && demo && !demoDriver.Succeeded() ? 1 : code;
}

}  // namespace

int main(int argc, char** argv)
{
    g_previousMessageHandler = qInstallMessageHandler(DropUnknownTypeRemarks);
    // Parsed before the window system is asked for: --help and --version need no display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    CKorvaOptions options;
    QString wrong;
    if (!options.parser.parse(arguments))
        wrong = options.parser.errorText();
    else if (const QString repeated = options.Repeated(); !repeated.isEmpty())
        wrong = QStringLiteral("%1 is given twice").arg(repeated);
    if (!wrong.isEmpty()) {
        std::fprintf(stderr, "korva: %s\n%s\n%s", qPrintable(wrong), kUsage, qPrintable(TransferUsage()));
        return kExitUsage;
    }
    if (const std::optional<int> code = RunWithoutWindow(options, argc, argv))
        return *code;
    return RunWindow(argc, argv, options.IsSet(options.simulate), options.IsSet(options.demo));
}
