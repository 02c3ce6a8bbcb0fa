// Historical temperaments, computed from their definitions in tempered fifths or ratios.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace sim {

constexpr int kNotesPerOctave = 12;

// Pitch of each note of the octave in cents above C, indexed by semitone (C = 0).
using NotePitches = std::array<double, kNotesPerOctave>;
using NoteNames = std::array<const char*, kNotesPerOctave>;

// C C# D EB E F F# G G# A BB B: the spelling of the device's display.
const NoteNames& standardNoteNames();

struct Temperament {
    std::string name;
    std::string definition;   // one short line, as shown in the device's listing
    NotePitches pitch;
    // How the listing spells each note; a meantone names the notes its wolf is between.
    NoteNames names = standardNoteNames();
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

// Name of a semitone in the standard spelling; any integer, taken modulo the octave.
const char* noteName(int semitone);

}  // namespace sim
