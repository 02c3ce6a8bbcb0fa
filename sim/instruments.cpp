#include "instruments.h"

#include "temperaments.h"

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
    return {
        {"CONCERT GRAND 274", "GRAND PIANO", 21, 88, 3.0e-4, 4.0e-4, {442.0, 443.0}, {equal}},
        {"SALON GRAND 211", "GRAND PIANO", 21, 88, 4.5e-4, 6.0e-4, {440.0, 442.0}, {equal}},
        {"UPRIGHT 131", "UPRIGHT PIANO", 21, 88, 7.0e-4, 9.0e-4, {440.0}, {equal, young}},
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
        const double spread = 1.0 + 0.04 * ((round * 7) % 11 - 5);
        inst.bTreble = m.bTreble * spread;
        inst.bBass = m.bBass * spread;
        out.push_back(inst);
    }
    return out;
}

// Width of the octave key..key+12 above 2:1, in cents, when the upper key's fundamental
// is set to partial `lowerPartial` of the lower key against its own partial lowerPartial/2.
double octaveExcess(const Instrument& inst, int key, int lowerPartial)
{
    const double upperPartial = lowerPartial / 2.0;
    const double lower = 1.0 + inharmonicity(inst, key) * lowerPartial * lowerPartial;
    const double upper = 1.0 + inharmonicity(inst, key + 12) * upperPartial * upperPartial;
    return 600.0 * std::log2(lower / upper);
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
    // add a part that falls off by half every 6 semitones above the lowest key.
    const double treble = inst.bTreble * std::exp2((key - kReferenceKey) / 8.0);
    const double bass = inst.bBass * std::exp2(-(key - inst.lowestKey) / 6.0);
    return treble + bass;
}

std::vector<double> stretchCurve(const Instrument& inst)
{
    std::vector<double> stretch(inst.keys, 0.0);
    auto at = [&](int key) -> double& { return stretch[key - inst.lowestKey]; };
    const int highest = inst.lowestKey + inst.keys - 1;
    const int ref = std::min(std::max(kReferenceKey, inst.lowestKey), highest);
    for (int key = ref + 1; key <= highest; ++key)
        at(key) = at(key - 1) + octaveExcess(inst, key - 12, 2) / 12.0;
    for (int key = ref - 1; key >= inst.lowestKey; --key)
        at(key) = at(key + 1) - octaveExcess(inst, key, 4) / 12.0;
    return stretch;
}

std::string keyName(int key)
{
    return std::string(noteName(key % kNotesPerOctave)) + std::to_string(key / kNotesPerOctave - 1);
}

}  // namespace sim
