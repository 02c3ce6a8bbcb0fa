// A full "ALL DATA" download from the simulated device at the real line speed, through the
// real timer and event loop (offscreen): prints the elapsed time, the ticks per second
// achieved and the ratio to the bound the design sets. The receive takes one line per tick,
// so the bound is lines x 10 ms, or the bytes at the line's 10470 characters per second if
// that is longer. The last read waits out the port's 1000 ms time-out after the EOT, since
// the device sends no CR after it; that wait is shown on its own.
#include "CmdTarget.h"
#include "KorvaDoc.h"
#include "KorvaView.h"
#include "MessageBox.h"
#include "resource.h"

#include "engine.h"
#include "factory_data.h"
#include "line_setup.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kLineCharsPerSecond = 10470.0;
constexpr double kSecondsPerTick = CKorvaView::kTimerPeriodMs / 1000.0;

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
        m_longestTick = std::max(m_longestTick, Clock::now() - start);
        if (m_done && m_done())
            QApplication::exit(0);
    }

    long m_nTickCount = 0;
    Clock::duration m_longestTick{};
    std::function<bool()> m_done;
};

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The program's port file lives in the working folder; a fresh one means COM1.
    QTemporaryDir folder;
    QDir::setCurrent(folder.path());

    sim::PtyLine line;
    std::string error;
    if (!sim::openPtyLine(line, error)) {
        std::fprintf(stderr, "no pseudo-terminal: %s\n", error.c_str());
        return 1;
    }
    setenv("V24_COM1", line.slavePath.c_str(), 1);
    auto device = std::make_unique<sim::Engine>(line.master, sim::Settings{});
    device->start();
    framework::SetMessageBoxHandler([](const framework::MessageBoxRequest&) { return int(framework::IDOK); });

    auto doc = std::make_unique<CKorvaDoc>();
    doc->OnNewDocument();
    auto view = std::make_unique<CMeasuredView>();
    view->SetDocument(doc.get());
    view->resize(500, 150);
    view->show();

    view->m_done = [&] { return doc->GetTransferState() == kStateIdle; };
    view->OnActivateView(1, view.get(), nullptr);
    QApplication::exec();
    if (view->m_bIdentified != 1) {
        std::fprintf(stderr, "the device was not identified\n");
        return 1;
    }

    const sim::Lines lines = sim::factoryData();
    size_t bytes = 1;  // the EOT
    for (const std::string& l : lines)
        bytes += l.size() + 2;
    view->m_nTickCount = 0;
    view->m_longestTick = {};
    const Clock::time_point start = Clock::now();
    if (!framework::ExecuteCommand(*view, ID_ALL_DATA)) {
        std::fprintf(stderr, "ALL DATA is not enabled\n");
        return 1;
    }
    QApplication::exec();
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    view->OnActivateView(0, nullptr, view.get());

    const double bound = std::max(lines.size() * kSecondsPerTick, bytes / kLineCharsPerSecond);
    const double longest = std::chrono::duration<double>(view->m_longestTick).count();
    std::printf("ALL DATA: %zu lines, %zu bytes, %d lines received, %d bytes stored\n", lines.size(), bytes,
                view->m_nLines, doc->m_nDataSize);
    std::printf("elapsed              %8.3f s\n", elapsed);
    std::printf("bound                %8.3f s  (lines x 10 ms: %.3f s, bytes at %.0f/s: %.3f s)\n", bound,
                lines.size() * kSecondsPerTick, kLineCharsPerSecond, bytes / kLineCharsPerSecond);
    std::printf("ratio to bound       %8.4f\n", elapsed / bound);
    std::printf("ticks                %8ld  (%.2f per second)\n", view->m_nTickCount, view->m_nTickCount / elapsed);
    // The tick whose read waits out the time-out after the EOT blocks the loop for a second;
    // outside it the timer keeps its rate.
    std::printf("longest tick         %8.3f s; ticks per second outside it: %.2f\n", longest,
                (view->m_nTickCount - 1) / (elapsed - longest));
    view.reset();
    doc.reset();
    device.reset();
    ::close(line.slave);
    return 0;
}
