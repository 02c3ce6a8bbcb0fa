#include "options.h"

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <map>

namespace sim {
namespace {

bool toInt(const std::string& text, long min, long max, long& value)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtol(text.c_str(), &end, 10);
    return errno == 0 && *end == '\0' && value >= min && value <= max;
}

using Flag = std::function<void(Options&)>;
using Valued = std::function<bool(Options&, const std::string&)>;

Valued integer(long min, long max, std::function<void(Options&, long)> set)
{
    return [=](Options& o, const std::string& text) {
        long v = 0;
        if (!toInt(text, min, max, v))
            return false;
        set(o, v);
        return true;
    };
}

const std::map<std::string, Flag>& flags()
{
    static const std::map<std::string, Flag> all = {
        {"--help", [](Options& o) { o.help = true; }},
        {"--pty", [](Options& o) { o.device.clear(); }},
        {"--fast", [](Options& o) { o.settings.charsPerSecond = 0; }},
        {"--mute", [](Options& o) { o.settings.faults.mute = true; }},
        {"--no-eot", [](Options& o) { o.settings.faults.noEot = true; }},
        {"--long-lines", [](Options& o) { o.settings.faults.longLines = true; }},
        {"--eighth-bit", [](Options& o) { o.settings.faults.eighthBit = true; }},
        {"--oversize", [](Options& o) { o.settings.faults.oversize = true; }},
    };
    return all;
}

const std::map<std::string, Valued>& valued()
{
    using std::chrono::milliseconds;
    constexpr long kMaxCount = 1000000;
    static const std::map<std::string, Valued> all = {
        {"--device", [](Options& o, const std::string& v) { o.device = v; return !v.empty(); }},
        {"--replay", [](Options& o, const std::string& v) { o.replayLog = v; return !v.empty(); }},
        {"--identity", [](Options& o, const std::string& v) { o.settings.identity = v; return true; }},
        {"--rate", integer(1, 1000000, [](Options& o, long v) { o.settings.charsPerSecond = double(v); })},
        {"--upload-silence", integer(1, 600000, [](Options& o, long v) { o.settings.uploadSilence = milliseconds(v); })},
        {"--pause-in-line", integer(1, kMaxCount, [](Options& o, long v) { o.settings.faults.pauseInLine = int(v); })},
        {"--pause-ms", integer(1, 600000, [](Options& o, long v) { o.settings.pauseLength = milliseconds(v); })},
        {"--eot-in-line", integer(1, kMaxCount, [](Options& o, long v) { o.settings.faults.eotInLine = int(v); })},
        {"--hang-up-after", integer(1, kMaxCount, [](Options& o, long v) { o.settings.faults.hangUpAfterLines = int(v); })},
        {"--xoff-after", integer(1, kMaxCount, [](Options& o, long v) { o.settings.faults.xoffAfterLines = int(v); })},
        {"--xoff-ms", integer(1, 600000, [](Options& o, long v) { o.settings.xoffLength = milliseconds(v); })},
    };
    return all;
}

}  // namespace

bool parseOptions(const std::vector<std::string>& args, Options& options, std::string& error)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (auto f = flags().find(arg); f != flags().end()) {
            f->second(options);
            continue;
        }
        auto v = valued().find(arg);
        if (v == valued().end()) {
            error = "unknown option " + arg;
            return false;
        }
        if (i + 1 >= args.size()) {
            error = arg + " needs a value";
            return false;
        }
        if (!v->second(options, args[++i])) {
            error = "invalid value for " + arg + ": " + args[i];
            return false;
        }
    }
    return true;
}

std::string usageText()
{
    return R"(Usage: veq-sim [--pty | --device PATH] [options]
Plays the tuning device VEQ-32-C on a serial line.

Line:
  --pty                serve on a new pseudo-terminal (default); its path is the
                       first line of output
  --device PATH        serve on a serial device (115200 baud, 7O2, XON/XOFF)
  --fast               send as fast as the line takes it (default: 10472 chars/s,
                       the speed of 115200 baud at 11 bits per character)
  --rate N             send N characters per second
  --identity TEXT      answer "R" with TEXT (default "VEQ-32-C 3.12"); any text
                       not starting with VEQ-32-C makes the device unrecognisable
  --upload-silence MS  end an upload ("DE") without end marker after MS
                       milliseconds of silence (default 2000)
  --replay LOG         play the device as the transfer log LOG (written by korva)
                       recorded it: each line korva sends that the log shows is
                       answered with the bytes the device sent after it, at the
                       recorded pace (with --fast without it); a line the log
                       never shows gets no answer
  --help               show this text

Faults:
  --mute               never answer anything
  --no-eot             stop after the last line of a transfer, without EOT
  --pause-in-line N    pause halfway through line N of every transfer
  --pause-ms MS        length of that pause (default 1500)
  --long-lines         send every data line 600 characters long
  --eighth-bit         set the eighth bit on every character sent
  --eot-in-line N      send an EOT halfway through line N of every transfer
  --hang-up-after N    close the line after N lines sent in all, then exit
  --oversize           repeat each transfer's lines to more than 400000 characters
  --xoff-after N       after line N of every upload send XOFF, hold it, then XON
  --xoff-ms MS         how long that XOFF holds (default 1500)

Stop it with Ctrl-C (SIGINT) or SIGTERM.
)";
}

}  // namespace sim
