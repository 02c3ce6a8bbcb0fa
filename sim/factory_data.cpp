#include "factory_data.h"

#include "instruments.h"
#include "protocol.h"
#include "temperaments.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>

namespace sim {
namespace {

std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

std::string format(const char* fmt, ...)
{
    char buf[128];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(buf, sizeof buf, fmt, args);
    va_end(args);
    return buf;
}

// Rounds to the two decimals the listing shows, so that a value that prints as zero is
// +0.00 and never -0.00.
double shown(double cents)
{
    const double rounded = std::round(cents * 100.0) / 100.0;
    return rounded == 0.0 ? 0.0 : rounded;
}

std::string temperamentLabel(int index)
{
    return format("T%02d %s", index + 1, historicalTemperaments()[index].name.c_str());
}

std::string rangeText(const Instrument& inst)
{
    return format("KEYS %d %s-%s", inst.keys, keyName(inst.lowestKey).c_str(),
                  keyName(inst.lowestKey + inst.keys - 1).c_str());
}

void appendTemperament(Lines& out, int index)
{
    const Temperament& t = historicalTemperaments()[index];
    const NotePitches dev = deviationsFromEqual(t.pitch);
    auto name = [&](int n) { return t.names[n % kNotesPerOctave]; };
    constexpr int kA = 9;
    constexpr double kA4 = 440.0;
    constexpr double kC4BelowA4 = -900.0;   // cents from A4 down to C4 in equal temperament
    out.push_back(temperamentLabel(index));
    out.push_back("  " + t.definition);
    for (int n = 0; n < kNotesPerOctave; ++n) {
        const double fromA = kC4BelowA4 + 100.0 * n + dev[n] - dev[kA];
        out.push_back(format("  %-2s %+7.2f CT  %8.3f HZ", name(n), shown(dev[n]),
                             kA4 * std::exp2(fromA / 1200.0)));
    }
    double fifthMin = 1e9, fifthMax = -1e9, thirdMin = 1e9, thirdMax = -1e9;
    for (int n = 0; n < kNotesPerOctave; ++n) {
        const double fifth = shown(fifthDeviation(t.pitch, n));
        const double third = shown(majorThirdDeviation(t.pitch, n));
        fifthMin = std::min(fifthMin, fifth);
        fifthMax = std::max(fifthMax, fifth);
        thirdMin = std::min(thirdMin, third);
        thirdMax = std::max(thirdMax, third);
        out.push_back(format("  5TH %-2s-%-2s %+7.2f  3RD %-2s-%-2s %+7.2f", name(n), name(n + 7), fifth,
                             name(n), name(n + 4), third));
    }
    out.push_back(format("  FIFTHS %+.2f TO %+.2f  THIRDS %+.2f TO %+.2f", fifthMin, fifthMax, thirdMin,
                         thirdMax));
}

void appendStoredInstrument(Lines& out, int number, const Instrument& inst)
{
    out.push_back(format("INSTRUMENT %03d %s", number, inst.name.c_str()));
    out.push_back(format("  %s  %s  A4 %.2f HZ  T%02d", inst.type.c_str(), rangeText(inst).c_str(),
                         inst.pitchA4, inst.temperament + 1));
    const std::vector<double> stretch = stretchCurve(inst);
    for (int i = 0; i < inst.keys; ++i) {
        const int key = inst.lowestKey + i;
        out.push_back(format("  K%02d %-4s %+7.2f CT  B %.2E", i + 1, keyName(key).c_str(), shown(stretch[i]),
                             inharmonicity(inst, key)));
    }
}

std::string octaveMethod(int key)
{
    const int m = octavePartial(key);
    return m == 0 ? "REF" : format("%d:%d", 2 * m, m);
}

}  // namespace

Lines adjustmentSection()
{
    return {
        std::string(protocol::kTitleAdjustment),
        format("  DEVICE %s  FIRMWARE %s", protocol::kIdentityPrefix.data(),
               protocol::kFirmwareVersion.data()),
        "  SERIAL NUMBER 32C-10482",
        "  CALIBRATED 1998-04-17",
        "  QUARTZ 12.000000 MHZ  CORRECTION +0.84 PPM",
        "  REFERENCE A4 440.00 HZ",
        "  INPUT MICROPHONE  GAIN 18 DB",
        "  INPUT FILTER 25 TO 4500 HZ",
        "  HIGHEST PARTIAL MEASURED 8",
        "  AVERAGING 3 PERIODS",
        "  NOISE GATE -42 DB",
        "  DISPLAY RANGE +-50 CT  CONTRAST 7",
        "  STROBE SPEED 4",
        "  BEEP ON",
        "  KEYBOARD A0-C8  88 KEYS",
        "  ACTUAL INSTRUMENT 001",
        format("  TEMPERAMENTS %zu", historicalTemperaments().size()),
        format("  STORED INSTRUMENTS %zu", factoryInstruments().size()),
        "  SERIAL LINE 115200 7O2 XON/XOFF",
    };
}

Lines actualInstrumentSection()
{
    const Instrument& inst = factoryInstruments().front();
    Lines out = {
        std::string(protocol::kTitleInstrument),
        "  NAME " + inst.name,
        "  TYPE " + inst.type + "  " + rangeText(inst),
        format("  PITCH A4 %.2f HZ", inst.pitchA4),
        "  TEMPERAMENT " + temperamentLabel(inst.temperament),
    };
    // One measuring point per octave, on its A, and the top key.
    const std::vector<double> stretch = stretchCurve(inst);
    const int highest = inst.lowestKey + inst.keys - 1;
    std::vector<int> points;
    for (int key = inst.lowestKey; key <= highest; ++key)
        if (key % kNotesPerOctave == kReferenceKey % kNotesPerOctave)
            points.push_back(key);
    if (points.empty() || points.back() != highest)
        points.push_back(highest);
    for (int key : points) {
        const std::string name = keyName(key);
        out.push_back(format("  %-3s STRETCH %+7.2f CT", name.c_str(), shown(stretch[key - inst.lowestKey])));
        out.push_back(format("  %-3s INHARMONICITY %.2E", name.c_str(), inharmonicity(inst, key)));
        out.push_back(format("  %-3s OCTAVE %s", name.c_str(), octaveMethod(key).c_str()));
    }
    return out;
}

Lines temperamentSection()
{
    Lines out = {std::string(protocol::kTitleTemperaments),
                 "  CENTS FROM EQUAL TEMPERAMENT ON C, HZ AT A4 = 440 HZ"};
    for (int i = 0; i < int(historicalTemperaments().size()); ++i)
        appendTemperament(out, i);
    return out;
}

Lines storedInstrumentSection()
{
    Lines out = {std::string(protocol::kTitleStored)};
    const auto& all = factoryInstruments();
    for (std::size_t i = 0; i < all.size(); ++i)
        appendStoredInstrument(out, int(i + 1), all[i]);
    return out;
}

Lines factoryData()
{
    Lines out;
    for (Lines section : {adjustmentSection(), actualInstrumentSection(), temperamentSection(),
                          storedInstrumentSection()})
        out.insert(out.end(), section.begin(), section.end());
    out.emplace_back(protocol::kEndMarkerLine);
    return out;
}

}  // namespace sim
