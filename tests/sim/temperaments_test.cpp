// The historical temperaments are computed from their definitions; known intervals check it.
// The listing tests recompute every temperament here from its definition (tempered fifths,
// ratios or string lengths) and compare with what the device sends.
#include "factory_data.h"
#include "protocol.h"
#include "temperaments.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <regex>
#include <set>

namespace {

const sim::Temperament* Find(const std::string& part)
{
    for (const sim::Temperament& t : sim::historicalTemperaments())
        if (t.name.find(part) != std::string::npos)
            return &t;
    return nullptr;
}

using Cents12 = std::array<double, 12>;
enum Note { C, Cs, D, Eb, E, F, Fs, G, Gs, A, Bb, B };

double Cents(double ratio) { return 1200.0 * std::log2(ratio); }
const double kPureFifth = Cents(3.0 / 2.0);
const double kPureThird = Cents(5.0 / 4.0);
const double kPc = Cents(531441.0 / 524288.0);   // twelve pure fifths over seven octaves
const double kSc = Cents(81.0 / 80.0);           // four pure fifths over a pure third
const double kSchisma = kPc - kSc;

// Deviations from equal temperament on C when the fifths on the notes in `tempered` are
// tempered by the given cents, all others by `others`; the fifth on `wolf` closes the circle.
Cents12 FromFifths(double others, const std::map<int, double>& tempered, int wolf = -1)
{
    std::array<double, 12> t;
    double sum = 0.0;
    for (int n = 0; n < 12; ++n) {
        t[n] = tempered.count(n) ? tempered.at(n) : others;
        sum += n == wolf ? 0.0 : t[n];
    }
    if (wolf >= 0)
        t[wolf] = -kPc - sum;
    Cents12 dev{};
    double walked = 0.0;
    for (int i = 0, note = C; i < 12; ++i, note = (note + 7) % 12) {
        walked += kPureFifth - 700.0 + t[note];
        dev[(note + 7) % 12] = walked;
    }
    EXPECT_NEAR(dev[C], 0.0, 1e-9) << "the definition does not close the circle";
    dev[C] = 0.0;
    return dev;
}

Cents12 FromRatios(const std::array<double, 12>& ratio)
{
    Cents12 dev{};
    for (int n = 0; n < 12; ++n)
        dev[n] = Cents(ratio[n]) - 100.0 * n;
    return dev;
}

// A lower note sounds the higher, the shorter its string.
Cents12 FromLengths(const std::array<double, 12>& length)
{
    std::array<double, 12> ratio{};
    for (int n = 0; n < 12; ++n)
        ratio[n] = length[0] / length[n];
    return FromRatios(ratio);
}

struct Definition {
    const char* name;
    Cents12 dev;
};

std::vector<Definition> Definitions()
{
    const double pc4 = kPc / 4, pc6 = kPc / 6;
    return {
        {"EQUAL TEMPERAMENT", FromFifths(-kPc / 12, {})},
        {"PYTHAGOREAN", FromFifths(0.0, {}, Gs)},
        {"MEANTONE 1/3 SC SALINAS", FromFifths(-kSc / 3, {}, Gs)},
        {"MEANTONE 2/7 SC ZARLINO", FromFifths(-kSc * 2 / 7, {}, Gs)},
        {"MEANTONE 1/4 SC ARON", FromFifths(-kSc / 4, {}, Gs)},
        {"MEANTONE 1/4 SC WITH AB", FromFifths(-kSc / 4, {}, Cs)},
        {"MEANTONE 1/5 SC", FromFifths(-kSc / 5, {}, Gs)},
        {"MEANTONE 2/9 SC", FromFifths(-kSc * 2 / 9, {}, Gs)},
        {"MEANTONE 1/6 SC SILBERMANN", FromFifths(-kSc / 6, {}, Gs)},
        {"WERCKMEISTER III", FromFifths(0.0, {{C, -pc4}, {G, -pc4}, {D, -pc4}, {B, -pc4}})},
        {"WERCKMEISTER IV", FromFifths(0.0, {{C, -kPc / 3}, {D, -kPc / 3}, {E, -kPc / 3}, {Fs, -kPc / 3},
                                             {Bb, -kPc / 3}, {Gs, kPc / 3}, {Eb, kPc / 3}})},
        {"WERCKMEISTER V",
         FromFifths(0.0, {{D, -pc4}, {A, -pc4}, {Fs, -pc4}, {Cs, -pc4}, {F, -pc4}, {Gs, pc4}})},
        {"WERCKMEISTER VI SEPTENARIUS",
         FromLengths({196, 186, 176, 165 + 1.0 / 3, 156 + 4.0 / 5, 147, 139 + 1.0 / 3, 131, 124,
                      117 + 1.0 / 6, 110 + 1.0 / 4, 104 + 2.0 / 3})},
        {"KIRNBERGER I", FromFifths(0.0, {{D, -kSc}, {Fs, -kSchisma}})},
        {"KIRNBERGER II", FromFifths(0.0, {{D, -kSc / 2}, {A, -kSc / 2}, {Fs, -kSchisma}})},
        {"KIRNBERGER III",
         FromFifths(0.0, {{C, -kSc / 4}, {G, -kSc / 4}, {D, -kSc / 4}, {A, -kSc / 4}, {Fs, -kSchisma}})},
        {"VALLOTTI", FromFifths(0.0, {{F, -pc6}, {C, -pc6}, {G, -pc6}, {D, -pc6}, {A, -pc6}, {E, -pc6}})},
        {"YOUNG II", FromFifths(0.0, {{C, -pc6}, {G, -pc6}, {D, -pc6}, {A, -pc6}, {E, -pc6}, {B, -pc6}})},
        {"KELLNER", FromFifths(0.0, {{C, -kPc / 5}, {G, -kPc / 5}, {D, -kPc / 5}, {A, -kPc / 5},
                                     {B, -kPc / 5}})},
        {"BACH-LEHMAN", FromFifths(0.0, {{F, -pc6}, {C, -pc6}, {G, -pc6}, {D, -pc6}, {A, -pc6},
                                         {Cs, -kPc / 12}, {Gs, -kPc / 12}, {Eb, -kPc / 12},
                                         {Bb, kPc / 12}})},
        {"JUST INTONATION C MAJOR", FromRatios({1.0, 16.0 / 15, 9.0 / 8, 6.0 / 5, 5.0 / 4, 4.0 / 3, 45.0 / 32,
                                                3.0 / 2, 8.0 / 5, 5.0 / 3, 9.0 / 5, 15.0 / 8})},
        {"JUST INTONATION C MINOR", FromRatios({1.0, 16.0 / 15, 9.0 / 8, 6.0 / 5, 5.0 / 4, 4.0 / 3, 45.0 / 32,
                                                3.0 / 2, 8.0 / 5, 5.0 / 3, 16.0 / 9, 15.0 / 8})},
    };
}

// One temperament as the device lists it: label, definition, 12 notes, 12 interval rows.
struct Block {
    std::string name;
    std::string definition;
    std::vector<std::string> notes;      // names of the rows, C to B
    Cents12 dev{}, hz{};
    std::vector<std::string> fifthFrom, fifthTo, thirdFrom, thirdTo;
    Cents12 fifth{}, third{};
    std::vector<std::string> lines;      // every line of the block
};

std::map<std::string, Block> ParseListing()
{
    const std::regex label(R"(T\d\d (.+))");
    const std::regex note(R"(  (\S+) +([+-]\d+\.\d\d) CT +(\d+\.\d{3}) HZ)");
    const std::regex interval(
        R"(  5TH (\S+?) ?-(\S+) +([+-]\d+\.\d\d)  3RD (\S+?) ?-(\S+) +([+-]\d+\.\d\d))");
    std::map<std::string, Block> out;
    Block* b = nullptr;
    std::smatch m;
    for (const std::string& line : sim::temperamentSection()) {
        if (std::regex_match(line, m, label)) {
            b = &out[m[1]];
            b->name = m[1];
        } else if (!b) {
            continue;
        } else if (b->definition.empty()) {
            b->definition = line;
        } else if (std::regex_match(line, m, note) && b->notes.size() < 12) {
            b->dev[b->notes.size()] = std::stod(m[2]);
            b->hz[b->notes.size()] = std::stod(m[3]);
            b->notes.push_back(m[1]);
        } else if (std::regex_match(line, m, interval) && b->fifthFrom.size() < 12) {
            b->fifth[b->fifthFrom.size()] = std::stod(m[3]);
            b->third[b->fifthFrom.size()] = std::stod(m[6]);
            b->fifthFrom.push_back(m[1]);
            b->fifthTo.push_back(m[2]);
            b->thirdFrom.push_back(m[4]);
            b->thirdTo.push_back(m[5]);
        }
        if (b)
            b->lines.push_back(line);
    }
    return out;
}

// The words of a line that name a note: "C", "F#", "EB", "AB", "B".
std::vector<std::string> NoteTokens(const std::string& line)
{
    static const std::regex separators("[ ,;-]+");
    static const std::regex note("[A-G](#|B)?");
    std::vector<std::string> out;
    for (std::sregex_token_iterator it(line.begin(), line.end(), separators, -1), end; it != end; ++it) {
        if (std::regex_match(it->str(), note))
            out.push_back(*it);
    }
    return out;
}

constexpr double kTwoDecimals = 0.0051;   // a listed figure is rounded to 0.01

}  // namespace

TEST(SimTemperaments, KnownIntervalsOfClassicTemperaments)
{
    EXPECT_NEAR(sim::pythagoreanComma(), 23.460, 0.001);
    EXPECT_NEAR(sim::syntonicComma(), 21.506, 0.001);
    const sim::Temperament* equal = Find("EQUAL");
    ASSERT_NE(equal, nullptr);
    for (double d : sim::deviationsFromEqual(equal->pitch))
        EXPECT_NEAR(d, 0.0, 1e-9);
    const sim::Temperament* pythagorean = Find("PYTHAG");
    ASSERT_NE(pythagorean, nullptr);
    EXPECT_NEAR(sim::fifthDeviation(pythagorean->pitch, 0), 0.0, 1e-6);    // C-G pure
    EXPECT_NEAR(sim::majorThirdDeviation(pythagorean->pitch, 0), 21.506, 0.001);
    const sim::Temperament* meantone = Find("MEANTONE 1/4 SC ARON");
    ASSERT_NE(meantone, nullptr);
    EXPECT_NEAR(sim::majorThirdDeviation(meantone->pitch, 0), 0.0, 1e-6);  // C-E pure
    EXPECT_NEAR(sim::fifthDeviation(meantone->pitch, 0), -21.506 / 4, 0.001);
    EXPECT_GE(sim::historicalTemperaments().size(), 7u);
}

// Every listed temperament, note by note, in cents and Hz, and every fifth and third.
TEST(SimTemperaments, ListingMatchesEachDefinition)
{
    const std::map<std::string, Block> listing = ParseListing();
    const std::vector<Definition> definitions = Definitions();
    EXPECT_EQ(listing.size(), definitions.size()) << "a listed temperament has no definition here";
    for (const Definition& d : definitions) {
        SCOPED_TRACE(d.name);
        ASSERT_TRUE(listing.count(d.name));
        const Block& b = listing.at(d.name);
        ASSERT_EQ(b.notes.size(), 12u);
        ASSERT_EQ(b.fifthFrom.size(), 12u);
        for (int n = 0; n < 12; ++n) {
            EXPECT_NEAR(b.dev[n], d.dev[n], kTwoDecimals) << b.notes[n];
            const double fromA4 = 100.0 * n - 900.0 + d.dev[n] - d.dev[A];
            EXPECT_NEAR(b.hz[n], 440.0 * std::exp2(fromA4 / 1200.0), 0.00051) << b.notes[n];
            const double fifth = d.dev[(n + 7) % 12] - d.dev[n] + 700.0 - kPureFifth;
            const double third = d.dev[(n + 4) % 12] - d.dev[n] + 400.0 - kPureThird;
            EXPECT_NEAR(b.fifth[n], fifth, kTwoDecimals) << "fifth on " << b.notes[n];
            EXPECT_NEAR(b.third[n], third, kTwoDecimals) << "third on " << b.notes[n];
        }
    }
}

// Deviations as published for the well-known circulating temperaments.
TEST(SimTemperaments, PublishedDeviationsOfWellTemperaments)
{
    const struct {
        const char* name;
        Cents12 dev;
    } rows[] = {
        {"WERCKMEISTER III",
         {0, -9.78, -7.82, -5.87, -9.78, -1.96, -11.73, -3.91, -7.82, -11.73, -3.91, -7.82}},
        {"WERCKMEISTER V", {0, -3.91, 3.91, 0, -3.91, 3.91, 0, 1.96, -7.82, 0, 1.96, -1.96}},
        {"KIRNBERGER III",
         {0, -9.78, -6.84, -5.87, -13.69, -1.96, -9.78, -3.42, -7.82, -10.26, -3.91, -11.73}},
        {"VALLOTTI", {0, -5.87, -3.91, -1.96, -7.82, 1.96, -7.82, -1.96, -3.91, -5.87, 0, -9.78}},
    };
    const std::map<std::string, Block> listing = ParseListing();
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        ASSERT_TRUE(listing.count(r.name));
        for (int n = 0; n < 12; ++n)
            EXPECT_NEAR(listing.at(r.name).dev[n], r.dev[n], 2 * kTwoDecimals) << n;
    }
}

// The listing spells a note one way within a temperament, names the wolf it shows and
// never prints a negative zero anywhere in the device's data.
TEST(SimTemperaments, ListingNamesNotesAndWolfConsistently)
{
    const std::regex wolfText(R"(WOLF (\S+)-(\S+))");
    for (const auto& [name, b] : ParseListing()) {
        SCOPED_TRACE(name);
        ASSERT_EQ(b.notes.size(), 12u);
        ASSERT_EQ(b.fifthFrom.size(), 12u);
        const std::set<std::string> spelling(b.notes.begin(), b.notes.end());
        EXPECT_EQ(spelling.size(), 12u);
        for (int n = 0; n < 12; ++n) {
            EXPECT_EQ(b.fifthFrom[n], b.notes[n]);
            EXPECT_EQ(b.fifthTo[n], b.notes[(n + 7) % 12]);
            EXPECT_EQ(b.thirdFrom[n], b.notes[n]);
            EXPECT_EQ(b.thirdTo[n], b.notes[(n + 4) % 12]);
        }
        for (const std::string& line : b.lines) {
            for (const std::string& token : NoteTokens(line))
                EXPECT_TRUE(spelling.count(token)) << token << " in \"" << line << "\"";
        }
        std::smatch m;
        if (!std::regex_search(b.definition, m, wolfText))
            continue;
        const auto from = std::find(b.fifthFrom.begin(), b.fifthFrom.end(), m[1].str());
        ASSERT_NE(from, b.fifthFrom.end()) << m[0];
        const int wolf = int(from - b.fifthFrom.begin());
        EXPECT_EQ(b.fifthTo[wolf], m[2].str()) << "the wolf's row is not " << m[0];
        for (int n = 0; n < 12; ++n) {
            if (n != wolf) {
                EXPECT_GT(std::fabs(b.fifth[wolf]), std::fabs(b.fifth[n]) + 1.0) << b.fifthFrom[n];
            }
        }
    }
    const std::regex negativeZero(R"((^|[^0-9.])-0\.0+([^0-9]|$))");
    for (const std::string& line : sim::factoryData())
        EXPECT_FALSE(std::regex_search(line, negativeZero)) << line;
}
