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
#include "Version.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QLibraryInfo>
#include <QRegularExpression>
#include <QTranslator>
#include <cstdio>
#include <optional>

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
    "  --upload FILE   find the device and put the data file FILE into it\n"
    "  --port COMn     with --download or --upload: use COMn instead of the configured port\n"
    "  --simulate      with --download or --upload: the simulator instead of a device\n"
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

// A transfer from the command line: no window, and no display needed.
int RunCommandLine(int argc, char** argv, const QString& download, const QString& output, const QString& upload,
                   const QString& port, const QStringList& files, bool simulate)
{
    CTransferJob job;
    QString error;
    if (!files.isEmpty())
        error = QStringLiteral("a data file to open goes without --download and --upload");
    if (!error.isEmpty() || !MakeTransferJob(download, output, upload, port, &job, &error)) {
        std::fprintf(stderr, "korva: %s\n%s", qPrintable(error), qPrintable(TransferUsage()));
        return kExitUsage;
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
    QList<QCommandLineOption> All() const { return {help, version, simulate, demo, download, output, upload, port, ports}; }
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
        return IsSet(download) || IsSet(upload) || IsSet(output) || IsSet(port);
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
    if (options.AsksForTransfer() && options.IsSet(options.demo)) {
        std::fprintf(stderr, "korva: --demo goes without --download and --upload\n%s", qPrintable(TransferUsage()));
        return kExitUsage;
    }
    if (options.AsksForTransfer()) {
        const QCommandLineParser& parser = options.parser;
        return RunCommandLine(argc, argv, parser.value(options.download), parser.value(options.output),
                              parser.value(options.upload), parser.value(options.port), parser.positionalArguments(),
                              options.IsSet(options.simulate));
    }
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
    QApplication app(argc, argv);
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
