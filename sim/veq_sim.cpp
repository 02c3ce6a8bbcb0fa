// veq-sim: the tuning device on a pseudo-terminal or a serial device, until SIGINT/SIGTERM.
#include "engine.h"
#include "line_setup.h"
#include "options.h"
#include "replay.h"

#include <csignal>
#include <cstdio>
#include <ctime>
#include <unistd.h>

namespace {

constexpr long kFinishCheckNs = 200'000'000;   // how often to look whether the engine hung up

int serve(sim::Engine& engine, const sigset_t& stopSignals)
{
    engine.start();
    const timespec period{0, kFinishCheckNs};
    while (!engine.finished())
        if (::sigtimedwait(&stopSignals, nullptr, &period) > 0)
            break;
    const bool hungUp = engine.hungUp();
    engine.stop();
    if (hungUp)
        std::fprintf(stderr, "veq-sim: hung up as asked\n");
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    sim::Options options;
    std::string error;
    if (!sim::parseOptions({argv + 1, argv + argc}, options, error)) {
        std::fprintf(stderr, "veq-sim: %s\nTry 'veq-sim --help'.\n", error.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(sim::usageText().c_str(), stdout);
        return 0;
    }
    if (!options.replayLog.empty()) {
        auto script = std::make_shared<sim::ReplayScript>();
        if (!sim::ReplayScript::load(options.replayLog, *script, error)) {
            std::fprintf(stderr, "veq-sim: %s\n", error.c_str());
            return 1;
        }
        std::fprintf(stderr, "veq-sim: replaying %zu lines of %s\n", script->exchanges().size(),
                     options.replayLog.c_str());
        // The log carries the pace of the line: --fast leaves it out, and nothing else paces.
        options.settings.replayPaced = options.settings.charsPerSecond > 0;
        options.settings.charsPerSecond = 0;
        options.settings.replay = std::move(script);
    }
    // Blocked before any thread starts, so that only sigtimedwait below receives them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    if (!options.device.empty()) {
        const int fd = sim::openSerialDevice(options.device, error);
        if (fd < 0) {
            std::fprintf(stderr, "veq-sim: %s\n", error.c_str());
            return 1;
        }
        std::fprintf(stderr, "veq-sim: serving on %s\n", options.device.c_str());
        sim::Engine engine(fd, options.settings);
        return serve(engine, stopSignals);
    }
    sim::PtyLine line;
    if (!sim::openPtyLine(line, error)) {
        std::fprintf(stderr, "veq-sim: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s\n", line.slavePath.c_str());
    std::fflush(stdout);
    sim::Engine engine(line.master, options.settings);
    const int rc = serve(engine, stopSignals);
    ::close(line.slave);
    return rc;
}
