// The controller at the line's real speed, through the real timer and event loop (offscreen),
// against the simulated device at its default pace:
//   1. the search of a device that never answers,
//   2. a full "ALL DATA" download: time, ratio to the time its bytes take on the wire, ticks a
//      second; three times: without the transfer log, with the log in memory (as the program
//      always runs), and with the log written to a file as well (--log FILE),
//   3. the upload of the same data (one line a tick, so about 68 s),
//   4. a download of 300 lines (the device is given them by an upload first).
// For each it prints the longest time the GUI thread spent in one timer step: the window
// answers within that time plus the event loop's own work.
#include "CmdTarget.h"
#include "KorvaDoc.h"
#include "KorvaView.h"
#include "MessageBox.h"
#include "TransferLog.h"
#include "resource.h"

#include "engine.h"
#include "factory_data.h"
#include "line_setup.h"
#include "protocol.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kBitsPerChar = sim::protocol::kBitsPerChar;
constexpr double kBaudRate = sim::protocol::kBaudRate;
// The upload sends one line a tick of 10 ms; 6817 lines take this long whatever the line.
constexpr double kUploadSecondsAtOneLinePerTick = 68.2;
constexpr double kSilentSearchSeconds = 6.0;

// The view as the program runs it, counting the ticks of timer 101 and the time spent in the
// longest one, and ending the event loop when the state it waits for is reached.
class CMeasuredView : public CKorvaView {
public:
    void OnTimer(unsigned id) override
    {
        const Clock::time_point start = Clock::now();
        CKorvaView::OnTimer(id);
        if (id != kTimerId)
            return;
        ++m_nTickCount;
        if (Clock::now() - start > m_longestTick) {
            m_longestTick = Clock::now() - start;
            m_nLongestAtLine = m_nLines;
            m_nLongestInState = GetDocument()->GetTransferState();
        }
        if (m_done && m_done())
            QApplication::exit(0);
    }

    void StartMeasuring(std::function<bool()> done)
    {
        m_nTickCount = 0;
        m_longestTick = {};
        m_done = std::move(done);
    }

    long m_nTickCount = 0;
    Clock::duration m_longestTick{};
    int32_t m_nLongestAtLine = 0;
    int32_t m_nLongestInState = 0;
    std::function<bool()> m_done;
};

struct Measured {
    double seconds;
    double ticksPerSecond;
    double longestStepMs;
};

// Runs the event loop until done() holds after a tick, or the time is up.
Measured Run(CMeasuredView& view, std::function<bool()> done, double limitSeconds = 300)
{
    view.StartMeasuring(std::move(done));
    QTimer::singleShot(static_cast<int>(limitSeconds * 1000), [] { QApplication::exit(1); });
    const Clock::time_point start = Clock::now();
    QApplication::exec();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return {seconds, view.m_nTickCount / seconds,
            std::chrono::duration<double, std::milli>(view.m_longestTick).count()};
}

double WireSeconds(const sim::Lines& lines)
{
    double chars = 1;  // the EOT
    for (const std::string& l : lines)
        chars += l.size() + 2;
    return chars * kBitsPerChar / kBaudRate;
}

size_t Characters(const sim::Lines& lines)
{
    size_t chars = 0;
    for (const std::string& l : lines)
        chars += l.size() + 2;
    return chars;
}

// A device on its own pseudo-terminal, named by V24_COM1.
struct Device {
    explicit Device(const sim::Settings& settings)
    {
        std::string error;
        if (!sim::openPtyLine(line, error)) {
            std::fprintf(stderr, "no pseudo-terminal: %s\n", error.c_str());
            std::exit(1);
        }
        setenv("V24_COM1", line.slavePath.c_str(), 1);
        engine = std::make_unique<sim::Engine>(line.master, settings);
        engine->start();
    }
    ~Device()
    {
        engine.reset();
        ::close(line.slave);
    }
    sim::PtyLine line;
    std::unique_ptr<sim::Engine> engine;
};

// The document and view as the program has them, on COM1, with the timer running.
struct Controller {
    Controller()
    {
        doc->OnNewDocument();
        view->SetDocument(doc.get());
        view->resize(500, 150);
        view->show();
        view->OnActivateView(1, view.get(), nullptr);
    }
    ~Controller() { view->OnActivateView(0, nullptr, view.get()); }
    bool Idle() const { return doc->GetTransferState() == kStateIdle; }

    std::unique_ptr<CKorvaDoc> doc = std::make_unique<CKorvaDoc>();
    std::unique_ptr<CMeasuredView> view = std::make_unique<CMeasuredView>();
};

void PrintStep(const char* what, const Measured& m, const CMeasuredView& view)
{
    std::printf("%-34s longest step %7.2f ms (state %d, line %d), %6.1f ticks a second\n", what, m.longestStepMs,
                view.m_nLongestInState, view.m_nLongestAtLine, m.ticksPerSecond);
}

bool Download(Controller& c, const char* what, size_t lines, double wireSeconds, double allowed)
{
    // The data of the download before count as unsaved; they are not to be asked about.
    c.doc->SetModifiedFlag(false);
    c.view->EnableDeviceCommands();
    if (!framework::ExecuteCommand(*c.view, ID_ALL_DATA)) {
        std::fprintf(stderr, "ALL DATA is not enabled\n");
        return false;
    }
    const Measured m = Run(*c.view, [&] { return c.Idle(); });
    std::printf("%s: %zu lines in %.3f s; on the wire %.3f s; ratio %.3f (goal at most %.2f)\n", what, lines,
                m.seconds, wireSeconds, m.seconds / wireSeconds, allowed);
    PrintStep(what, m, *c.view);
    return c.doc->GetTransferState() == kStateIdle && c.view->m_bEnableUpload == 1;
}

bool Upload(Controller& c, const char* what, size_t lines, double reference)
{
    if (!framework::ExecuteCommand(*c.view, ID_PUT_DATA)) {
        std::fprintf(stderr, "PUT DATA is not enabled\n");
        return false;
    }
    const Measured m = Run(*c.view, [&] { return c.Idle(); });
    std::printf("%s: %zu lines in %.3f s", what, lines, m.seconds);
    if (reference > 0)
        std::printf("; ratio to %.1f s: %.3f", reference, m.seconds / reference);
    std::printf("\n");
    PrintStep(what, m, *c.view);
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The program's port file lives in the working folder; a fresh one means COM1.
    QTemporaryDir folder;
    QDir::setCurrent(folder.path());
    // The capture history of the downloads goes there too.
    qputenv("XDG_DATA_HOME", folder.filePath(QStringLiteral("data")).toLocal8Bit());
    framework::SetMessageBoxHandler([](const framework::MessageBoxRequest&) { return int(framework::IDOK); });

    {
        sim::Settings mute;
        mute.faults.mute = true;
        Device silent(mute);
        Controller c;
        const Measured m = Run(*c.view, [] { return false; }, kSilentSearchSeconds);
        PrintStep("search of a silent device", m, *c.view);
        CKorvaView::ResetProgramWide();
    }

    Device device{sim::Settings{}};
    Controller c;
    Run(*c.view, [&] { return c.Idle(); });
    if (c.view->m_bIdentified != 1) {
        std::fprintf(stderr, "the device was not identified\n");
        return 1;
    }
    const sim::Lines all = sim::factoryData();
    std::printf("ALL DATA from the device: %zu lines, %zu characters with CR LF\n", all.size(), Characters(all));
    CTransferLog& log = CTransferLog::Program();
    log.SetSuspended(true);
    if (!Download(c, "ALL DATA without the log", all.size(), WireSeconds(all), 1.05))
        return 1;
    log.SetSuspended(false);
    if (!Download(c, "ALL DATA with the log", all.size(), WireSeconds(all), 1.05))
        return 1;
    QString error;
    if (!log.WriteTo(folder.filePath(QStringLiteral("korva.log")), &error)) {
        std::fprintf(stderr, "the log file cannot be written: %s\n", qPrintable(error));
        return 1;
    }
    if (!Download(c, "ALL DATA with the log in a file", all.size(), WireSeconds(all), 1.05))
        return 1;
    std::printf("the log holds %lld events, %lld bytes in memory\n", static_cast<long long>(log.Count()),
                static_cast<long long>(log.Text().size()));
    log.WriteTo(QString(), nullptr);
    if (!Upload(c, "upload of the same data", all.size(), kUploadSecondsAtOneLinePerTick))
        return 1;
    if (device.engine->storedData() != all)
        std::printf("the device did not get the data back unchanged\n");

    // 300 lines of the device's own, with the end marker last.
    sim::Lines short300(all.begin(), all.begin() + 299);
    short300.emplace_back(sim::protocol::kEndMarkerLine);
    std::string text;
    for (const std::string& l : short300)
        text += l + "\r";
    text.copy(c.doc->m_data, text.size());
    c.doc->m_nDataSize = static_cast<int32_t>(text.size());
    c.doc->m_nLineCount = static_cast<int32_t>(short300.size());
    if (!Upload(c, "upload of 300 lines", short300.size(), 0))
        return 1;
    if (!Download(c, "300 lines", short300.size(), WireSeconds(short300), 1.3))
        return 1;
    return 0;
}
