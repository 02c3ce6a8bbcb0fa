// korva: the PC side of the Tuning Set VEQ-32-C. The command line takes an optional data
// file to open; --simulate tries the program against the device simulator.
#include "Demo.h"
#include "Korva.h"
#include "KorvaDoc.h"
#include "KorvaResources.h"
#include "SimulatedDevice.h"
#include "Version.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QLibraryInfo>
#include <QTranslator>
#include <cstdio>

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
    "  --version       show the version and end\n"
    "  -h, --help      show this text and end\n"
    "\n"
    "The port (COM1 to COM16) is chosen in Adjustment/Interface and kept in VEQ.INI in the\n"
    "current folder. COMn is the device file /dev/ttyS<n-1>; the environment variable\n"
    "V24_COMn names another one, for example V24_COM1=/dev/ttyUSB0.\n";

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
    parser.addOptions({help, version, simulate, demo});
    if (!parser.parse(arguments)) {
        std::fprintf(stderr, "korva: %s\n%s", qPrintable(parser.errorText()), kUsage);
        return 2;
    }
    if (parser.isSet(help)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (parser.isSet(version)) {
        PrintVersion();
        return 0;
    }
    if (parser.isSet(demo) && !parser.isSet(simulate)) {
        std::fprintf(stderr, "korva: --demo needs --simulate\n");
        return 2;
    }

    QApplication app(argc, argv);
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
