#include "temperaments.h"

#include <cmath>
#include <limits>
#include <stdexcept>

namespace sim {
namespace {

constexpr double kOctaveCents = 1200.0;
constexpr double kRest = std::numeric_limits<double>::quiet_NaN();

double cents(double ratio) { return kOctaveCents * std::log2(ratio); }
double pureFifth() { return cents(3.0 / 2.0); }
double pureMajorThird() { return cents(5.0 / 4.0); }
double schisma() { return pythagoreanComma() - syntonicComma(); }

double pc(double fraction) { return fraction * pythagoreanComma(); }
double sc(double fraction) { return fraction * syntonicComma(); }

// The circle of fifths from C: C G D A E B F# C# G# D# A# F (and back to C).
constexpr std::array<int, kNotesPerOctave> kCircle = {0, 7, 2, 9, 4, 11, 6, 1, 8, 3, 10, 5};

// Fifth i of the circle goes from kCircle[i] to kCircle[i + 1]; its tempering is the
// deviation from a pure fifth in cents. One entry may be kRest: the fifth that takes
// whatever closes the circle (the wolf of a meantone).
using Temperings = std::array<double, kNotesPerOctave>;

Temperings closeCircle(Temperings t)
{
    double sum = 0.0;
    int rest = -1;
    for (int i = 0; i < kNotesPerOctave; ++i) {
        if (std::isnan(t[i]))
            rest = i;
        else
            sum += t[i];
    }
    // Twelve fifths span seven octaves, so their temperings add up to minus one comma.
    const double needed = -pythagoreanComma();
    if (rest >= 0)
        t[rest] = needed - sum;
    else if (std::fabs(sum - needed) > 1e-9)
        throw std::logic_error("temperament definition does not close the circle");
    return t;
}

NotePitches fromFifths(const Temperings& raw)
{
    const Temperings t = closeCircle(raw);
    NotePitches pitch{};
    double p = 0.0;
    for (int i = 0; i + 1 < kNotesPerOctave; ++i) {
        p = std::fmod(p + pureFifth() + t[i], kOctaveCents);
        pitch[kCircle[i + 1]] = p;
    }
    return pitch;
}

NotePitches fromRatios(const std::array<double, kNotesPerOctave>& ratio)
{
    NotePitches pitch{};
    for (int n = 0; n < kNotesPerOctave; ++n)
        pitch[n] = cents(ratio[n]);
    return pitch;
}

Temperings uniform(double tempering, int wolf)
{
    Temperings t;
    t.fill(tempering);
    if (wolf >= 0)
        t[wolf] = kRest;
    return t;
}

// Sets the listed fifths of the circle to one tempering; all others stay pure.
Temperings some(std::initializer_list<int> fifths, double tempering, Temperings t = {})
{
    for (int i : fifths)
        t[i] = tempering;
    return t;
}

constexpr int kWolfGsharpEflat = 8;
constexpr int kWolfCsharpAflat = 7;
constexpr int kAflat = 8;   // semitone of G sharp / A flat

Temperament meantone(const std::string& name, double fraction, const std::string& fractionText,
                     int wolf = kWolfGsharpEflat)
{
    Temperament t{name, "ALL FIFTHS " + fractionText + " SC NARROW, WOLF " +
                            (wolf == kWolfGsharpEflat ? "G#-EB" : "C#-AB"),
                  fromFifths(uniform(sc(-fraction), wolf))};
    // With the wolf on C#, the chain of good fifths runs from A flat, not up to G sharp.
    if (wolf == kWolfCsharpAflat)
        t.names[kAflat] = "AB";
    return t;
}

std::vector<Temperament> buildTemperaments()
{
    // Werckmeister's sixth ("septenarius") is given as monochord string lengths, C to B.
    constexpr std::array<double, kNotesPerOctave> kSeptenarius = {
        196.0, 186.0, 176.0, 165.0 + 1.0 / 3, 156.0 + 4.0 / 5, 147.0,
        139.0 + 1.0 / 3, 131.0, 124.0, 117.0 + 1.0 / 6, 110.0 + 1.0 / 4, 104.0 + 2.0 / 3};
    std::array<double, kNotesPerOctave> septenarius{};
    for (int n = 0; n < kNotesPerOctave; ++n)
        septenarius[n] = kSeptenarius[0] / kSeptenarius[n];

    const Temperings werckmeister4 = some({8, 9}, pc(1.0 / 3), some({0, 2, 4, 6, 10}, pc(-1.0 / 3)));
    const Temperings werckmeister5 = some({8}, pc(1.0 / 4), some({2, 3, 6, 7, 11}, pc(-1.0 / 4)));
    const Temperings kirnberger1 = some({6}, -schisma(), some({2}, sc(-1)));
    const Temperings kirnberger2 = some({6}, -schisma(), some({2, 3}, sc(-1.0 / 2)));
    const Temperings kirnberger3 = some({6}, -schisma(), some({0, 1, 2, 3}, sc(-1.0 / 4)));
    const Temperings lehman = some({10}, pc(1.0 / 12),
                                   some({7, 8, 9}, pc(-1.0 / 12), some({11, 0, 1, 2, 3}, pc(-1.0 / 6))));

    return {
        {"EQUAL TEMPERAMENT", "ALL FIFTHS 1/12 PC NARROW", fromFifths(uniform(pc(-1.0 / 12), -1))},
        {"PYTHAGOREAN", "ALL FIFTHS PURE, WOLF G#-EB", fromFifths(uniform(0.0, kWolfGsharpEflat))},
        meantone("MEANTONE 1/3 SC SALINAS", 1.0 / 3, "1/3"),
        meantone("MEANTONE 2/7 SC ZARLINO", 2.0 / 7, "2/7"),
        meantone("MEANTONE 1/4 SC ARON", 1.0 / 4, "1/4"),
        meantone("MEANTONE 1/4 SC WITH AB", 1.0 / 4, "1/4", kWolfCsharpAflat),
        meantone("MEANTONE 1/5 SC", 1.0 / 5, "1/5"),
        meantone("MEANTONE 2/9 SC", 2.0 / 9, "2/9"),
        meantone("MEANTONE 1/6 SC SILBERMANN", 1.0 / 6, "1/6"),
        {"WERCKMEISTER III", "C-G-D-A, B-F# 1/4 PC NARROW", fromFifths(some({0, 1, 2, 5}, pc(-1.0 / 4)))},
        {"WERCKMEISTER IV", "C-G, D-A, E-B, F#-C#, BB-F 1/3 PC NARROW, G#-EB-BB 1/3 WIDE",
         fromFifths(werckmeister4)},
        {"WERCKMEISTER V", "D-A-E, F#-C#-G#, F-C 1/4 PC NARROW, G#-EB 1/4 WIDE", fromFifths(werckmeister5)},
        {"WERCKMEISTER VI SEPTENARIUS", "STRING LENGTHS 196 TO 104 2/3", fromRatios(septenarius)},
        {"KIRNBERGER I", "D-A 1 SC, F#-C# SCHISMA NARROW", fromFifths(kirnberger1)},
        {"KIRNBERGER II", "D-A-E 1/2 SC, F#-C# SCHISMA NARROW", fromFifths(kirnberger2)},
        {"KIRNBERGER III", "C-G-D-A-E 1/4 SC, F#-C# SCHISMA NARROW", fromFifths(kirnberger3)},
        {"VALLOTTI", "F-C-G-D-A-E-B 1/6 PC NARROW", fromFifths(some({11, 0, 1, 2, 3, 4}, pc(-1.0 / 6)))},
        {"YOUNG II", "C-G-D-A-E-B-F# 1/6 PC NARROW", fromFifths(some({0, 1, 2, 3, 4, 5}, pc(-1.0 / 6)))},
        {"KELLNER", "C-G-D-A-E, B-F# 1/5 PC NARROW", fromFifths(some({0, 1, 2, 3, 5}, pc(-1.0 / 5)))},
        {"BACH-LEHMAN", "F-C-G-D-A-E 1/6, C#-G#-EB-BB 1/12 PC NARROW, BB-F 1/12 WIDE",
         fromFifths(lehman)},
        {"JUST INTONATION C MAJOR", "RATIOS 1 16/15 9/8 6/5 5/4 4/3 45/32 ...",
         fromRatios({1.0, 16.0 / 15, 9.0 / 8, 6.0 / 5, 5.0 / 4, 4.0 / 3, 45.0 / 32, 3.0 / 2, 8.0 / 5,
                     5.0 / 3, 9.0 / 5, 15.0 / 8})},
        {"JUST INTONATION C MINOR", "RATIOS 1 16/15 9/8 6/5 5/4 4/3 45/32 ... 16/9",
         fromRatios({1.0, 16.0 / 15, 9.0 / 8, 6.0 / 5, 5.0 / 4, 4.0 / 3, 45.0 / 32, 3.0 / 2, 8.0 / 5,
                     5.0 / 3, 16.0 / 9, 15.0 / 8})},
    };
}

double intervalDeviation(const NotePitches& pitch, int note, int semitones, double pure)
{
    const int upper = (note + semitones) % kNotesPerOctave;
    double size = pitch[upper] - pitch[note];
    if (size < 0)
        size += kOctaveCents;
    return size - pure;
}

}  // namespace

double pythagoreanComma() { return cents(531441.0 / 524288.0); }
double syntonicComma() { return cents(81.0 / 80.0); }

const std::vector<Temperament>& historicalTemperaments()
{
    static const std::vector<Temperament> all = buildTemperaments();
    return all;
}

NotePitches deviationsFromEqual(const NotePitches& pitch)
{
    NotePitches dev{};
    for (int n = 0; n < kNotesPerOctave; ++n)
        dev[n] = (pitch[n] - pitch[0]) - 100.0 * n;
    return dev;
}

double fifthDeviation(const NotePitches& pitch, int note)
{
    return intervalDeviation(pitch, note, 7, pureFifth());
}

double majorThirdDeviation(const NotePitches& pitch, int note)
{
    return intervalDeviation(pitch, note, 4, pureMajorThird());
}

const NoteNames& standardNoteNames()
{
    static const NoteNames kNames = {"C", "C#", "D", "EB", "E", "F", "F#", "G", "G#", "A", "BB", "B"};
    return kNames;
}

const char* noteName(int semitone)
{
    return standardNoteNames()[((semitone % kNotesPerOctave) + kNotesPerOctave) % kNotesPerOctave];
}

}  // namespace sim
