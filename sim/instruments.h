// Stored instruments: keyboard range, pitch, temperament and the stretch that the
// strings' inharmonicity asks for.
#pragma once

#include <string>
#include <vector>

namespace sim {

struct Instrument {
    std::string name;
    std::string type;
    int lowestKey;      // MIDI note number of the lowest key
    int keys;
    double pitchA4;     // Hz
    int temperament;    // index into historicalTemperaments()
    double bTreble;     // inharmonicity coefficient of the plain strings at A4
    double bBass;       // extra inharmonicity of the wound bass strings at the lowest key
};

// The instruments held in the device at delivery; the first one is the actual instrument.
const std::vector<Instrument>& factoryInstruments();

double inharmonicity(const Instrument& inst, int key);

// Deviation from equal temperament of each key (index 0 = lowest key), in cents, when
// octaves above A4 are tuned 2:1 and those below 4:2 to the strings' partials.
std::vector<double> stretchCurve(const Instrument& inst);

constexpr int kReferenceKey = 69;   // A4

// "A0", "C#4", "BB2" ...
std::string keyName(int key);

}  // namespace sim
