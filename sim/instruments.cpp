#include "instruments.h"

#include "temperaments.h"

#include <algorithm>
#include <cmath>

namespace sim {
namespace {

struct Model {
    const char* name;
    const char* type;
    int lowestKey;
    int keys;
    double bTreble;
    double bBass;
    std::vector<double> pitches;
    std::vector<int> temperaments;
};

// Index of a temperament in the device's listing, by name.
int temperamentIndex(const std::string& name)
{
    const auto& all = historicalTemperaments();
    for (std::size_t i = 0; i < all.size(); ++i)
        if (all[i].name == name)
            return int(i);
    return 0;
}

std::vector<Model> models()
{
    const int equal = temperamentIndex("EQUAL TEMPERAMENT");
    const int meantone = temperamentIndex("MEANTONE 1/4 SC ARON");
    const int werckmeister = temperamentIndex("WERCKMEISTER III");
    const int kirnberger = temperamentIndex("KIRNBERGER III");
    const int vallotti = temperamentIndex("VALLOTTI");
    const int kellner = temperamentIndex("KELLNER");
    const int lehman = temperamentIndex("BACH-LEHMAN");
    const int young = temperamentIndex("YOUNG II");
    // Ranges: A0-C8, FF-f3, FF-f4, GG-d3, C-d3, C-g3, C-c3 (MIDI note numbers).
    // B as measured on such instruments: a concert grand about 4E-04 at A4, 1E-02 at C8 and
    // 5E-04 at A0; the shorter the strings, the higher; harpsichords and clavichords far lower.
    return {
        {"CONCERT GRAND 274", "GRAND PIANO", 21, 88, 4.0e-4, 5.5e-4, {442.0, 443.0}, {equal}},
        {"SALON GRAND 211", "GRAND PIANO", 21, 88, 5.0e-4, 6.5e-4, {440.0, 442.0}, {equal}},
        {"UPRIGHT 131", "UPRIGHT PIANO", 21, 88, 6.5e-4, 9.0e-4, {440.0}, {equal, young}},
        {"FRENCH DOUBLE", "HARPSICHORD", 29, 61, 2.0e-5, 3.0e-5, {415.0, 392.0}, {werckmeister, vallotti}},
        {"FLEMISH SINGLE", "HARPSICHORD", 31, 56, 2.5e-5, 3.0e-5, {415.0, 440.0}, {meantone, kirnberger}},
        {"FORTEPIANO 1795", "FORTEPIANO", 29, 61, 1.5e-4, 2.0e-4, {430.0}, {vallotti, kellner}},
        {"FORTEPIANO 1820", "FORTEPIANO", 29, 73, 2.0e-4, 3.0e-4, {430.0, 435.0}, {young, equal}},
        {"CLAVICHORD", "CLAVICHORD", 36, 51, 3.0e-5, 4.0e-5, {415.0}, {lehman, kellner}},
        {"CHAMBER ORGAN", "ORGAN", 36, 56, 0.0, 0.0, {440.0, 465.0}, {meantone, werckmeister}},
        {"POSITIVE ORGAN", "ORGAN", 36, 49, 0.0, 0.0, {415.0}, {meantone}},
    };
}

constexpr const char* kPlaces[] = {"AULA", "CHURCH", "STUDIO", "HALL", "SCHOOL",
                                   "CHAPEL", "MUSEUM", "LIBRARY", "FOYER", "SALON"};
constexpr int kFactoryInstrumentCount = 89;

std::vector<Instrument> buildInstruments()
{
    const std::vector<Model> all = models();
    std::vector<Instrument> out;
    for (int i = 0; i < kFactoryInstrumentCount; ++i) {
        const Model& m = all[i % all.size()];
        const int round = i / int(all.size());
        Instrument inst;
        inst.name = std::string(m.name) + " " + kPlaces[round % std::size(kPlaces)];
        inst.type = m.type;
        inst.lowestKey = m.lowestKey;
        inst.keys = m.keys;
        inst.pitchA4 = m.pitches[round % m.pitches.size()];
        inst.temperament = m.temperaments[round % m.temperaments.size()];
        // No two strings are alike: spread the coefficients a little per instrument.
        const double spread = 1.0 + 0.02 * ((round * 7) % 11 - 5);
        inst.bTreble = m.bTreble * spread;
        inst.bBass = m.bBass * spread;
        out.push_back(inst);
    }
    return out;
}

// Width of the octave key..key+12 above 2:1, in cents, when the upper key's partial m is
// set to the lower key's partial 2m.
double octaveExcess(const Instrument& inst, int key, int m)
{
    const double lower = 1.0 + inharmonicity(inst, key) * (2 * m) * (2 * m);
    const double upper = 1.0 + inharmonicity(inst, key + kNotesPerOctave) * m * m;
    return 600.0 * std::log2(lower / upper);
}

// The device stores B as it shows it, so that the stretch follows from the listed figures.
double toThreeDigits(double b)
{
    if (b <= 0.0)
        return 0.0;
    const double scale = std::pow(10.0, 2 - std::floor(std::log10(b)));
    return std::round(b * scale) / scale;
}

}  // namespace

const std::vector<Instrument>& factoryInstruments()
{
    static const std::vector<Instrument> all = buildInstruments();
    return all;
}

double inharmonicity(const Instrument& inst, int key)
{
    // Plain strings: B doubles about every 8 semitones towards the treble; wound strings
    // add a part that falls off by half every 8 semitones above the lowest key.
    const double treble = inst.bTreble * std::exp2((key - kReferenceKey) / 8.0);
    const double bass = inst.bBass * std::exp2(-(key - inst.lowestKey) / 8.0);
    return toThreeDigits(treble + bass);
}

int octavePartial(int key)
{
    // Wide octaves, as aural tuners hear them: 4:2 through the middle and treble, 6:3 in
    // the bass, where the fundamentals are weak against the upper partials.
    if (key == kReferenceKey)
        return 0;
    return key >= kTemperamentBottom ? 2 : 3;
}

std::vector<double> stretchCurve(const Instrument& inst)
{
    // Computed over a span that always holds the temperament octave, then cut to the keys.
    const int highest = inst.lowestKey + inst.keys - 1;
    const int low = std::min(inst.lowestKey, kTemperamentBottom);
    const int high = std::max(highest, kReferenceKey);
    std::vector<double> stretch(high - low + 1, 0.0);
    auto at = [&](int key) -> double& { return stretch[key - low]; };
    const double temperamentOctave =
        octaveExcess(inst, kTemperamentBottom, octavePartial(kTemperamentBottom));
    for (int key = kTemperamentBottom; key < kReferenceKey; ++key)
        at(key) = -temperamentOctave * (kReferenceKey - key) / kNotesPerOctave;
    for (int key = kReferenceKey + 1; key <= high; ++key)
        at(key) = at(key - kNotesPerOctave) + octaveExcess(inst, key - kNotesPerOctave, octavePartial(key));
    for (int key = kTemperamentBottom - 1; key >= low; --key)
        at(key) = at(key + kNotesPerOctave) - octaveExcess(inst, key, octavePartial(key));
    const auto first = stretch.begin() + (inst.lowestKey - low);
    return {first, first + inst.keys};
}

std::string keyName(int key)
{
    return std::string(noteName(key % kNotesPerOctave)) + std::to_string(key / kNotesPerOctave - 1);
}

}  // namespace sim
