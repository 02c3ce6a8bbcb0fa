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

constexpr int kReferenceKey = 69;         // A4, tuned to the instrument's pitch
constexpr int kTemperamentBottom = 57;    // A3: the temperament octave is A3-A4

// The instruments held in the device at delivery; the first one is the actual instrument.
const std::vector<Instrument>& factoryInstruments();

// Coefficient B of a key's strings (partial n sounds at n * f0 * sqrt(1 + B * n * n)),
// held to the three significant digits the device shows. Any MIDI key number.
double inharmonicity(const Instrument& inst, int key);

// The octave that tunes a key: its upper note's partial m meets the lower note's partial 2m.
// 2 (4:2) from the temperament octave up, 3 (6:3) below it, 0 for the reference key.
int octavePartial(int key);

// Deviation from equal temperament of each key (index 0 = lowest key), in cents, from the
// keys' inharmonicity: A4 is 0, the temperament octave A3-A4 is tuned 4:2 and divided into
// equal semitones, every key above it is an octave (octavePartial) over the key 12 below,
// every key below A3 an octave under the key 12 above.
std::vector<double> stretchCurve(const Instrument& inst);

// "A0", "C#4", "BB2" ...
std::string keyName(int key);

}  // namespace sim
