// Historical temperaments, computed from their definitions in tempered fifths or ratios.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace sim {

constexpr int kNotesPerOctave = 12;

// Pitch of each note of the octave in cents above C, indexed by semitone (C = 0).
using NotePitches = std::array<double, kNotesPerOctave>;

struct Temperament {
    std::string name;
    std::string definition;   // one short line, as shown in the device's listing
    NotePitches pitch;
};

double pythagoreanComma();
double syntonicComma();

// Every temperament the device knows, in the order of its listing.
const std::vector<Temperament>& historicalTemperaments();

// Deviation of each note from equal temperament, C held at 0.
NotePitches deviationsFromEqual(const NotePitches& pitch);

// Size of the fifth / major third on a note, minus the pure interval, in cents.
double fifthDeviation(const NotePitches& pitch, int note);
double majorThirdDeviation(const NotePitches& pitch, int note);

const char* noteName(int semitone);

}  // namespace sim
