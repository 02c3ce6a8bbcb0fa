// The stretch the device lists for each key follows from the inharmonicity it lists beside it:
// octaves tuned so that their partials meet, from A4 outwards.
#include "factory_data.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <regex>

namespace {

constexpr int kA3 = 57;
constexpr int kA4 = 69;

// "A0", "C#4", "EB2", "BB1" as MIDI key numbers.
int KeyNumber(const std::string& name)
{
    static const std::map<char, int> kLetter = {{'C', 0}, {'D', 2}, {'E', 4}, {'F', 5},
                                                {'G', 7}, {'A', 9}, {'B', 11}};
    int semitone = kLetter.at(name[0]);
    std::size_t pos = 1;
    if (name[pos] == '#' || name[pos] == 'B')
        semitone += name[pos++] == '#' ? 1 : -1;
    return 12 * (std::stoi(name.substr(pos)) + 1) + semitone;
}

struct Key {
    double stretch;
    double b;
    std::string stretchText, bText;
};

struct Stored {
    std::string name;
    std::map<int, Key> keys;
};

std::vector<Stored> ParseStored()
{
    const std::regex title(R"(INSTRUMENT \d{3} (.+))");
    const std::regex key(R"(  K\d\d (\S+) +([+-]\d+\.\d\d) CT  B (\d\.\d\dE[+-]\d\d))");
    std::vector<Stored> out;
    std::smatch m;
    for (const std::string& line : sim::storedInstrumentSection()) {
        if (std::regex_match(line, m, title))
            out.push_back({m[1], {}});
        else if (!out.empty() && std::regex_match(line, m, key))
            out.back().keys[KeyNumber(m[1])] = {std::stod(m[2]), std::stod(m[3]), m[2], m[3]};
    }
    return out;
}

// Partial n of a string with fundamental f0 and inharmonicity b.
double Partial(double f0, double b, int n) { return n * f0 * std::sqrt(1.0 + b * n * n); }

// How much wider than 2:1 the octave is, in cents, when the upper note's partial m is set
// to the lower note's partial 2m.
double OctaveWidening(double bLower, double bUpper, int m)
{
    const double f0Upper = Partial(1.0, bLower, 2 * m) / Partial(1.0, bUpper, m);
    return 1200.0 * std::log2(f0Upper / 2.0);
}

// The device's tuning: A4 at 0; the temperament octave A3-A4 tuned 4:2 and divided evenly;
// 4:2 octaves upwards, 6:3 octaves below A3.
std::map<int, double> ExpectedStretch(const std::map<int, Key>& keys)
{
    std::map<int, double> s;
    auto b = [&](int key) { return keys.at(key).b; };
    const double temperamentOctave = OctaveWidening(b(kA3), b(kA4), 2);
    for (int key = kA3; key <= kA4; ++key)
        s[key] = -temperamentOctave * (kA4 - key) / 12.0;
    for (int key = kA4 + 1; keys.count(key); ++key)
        s[key] = s[key - 12] + OctaveWidening(b(key - 12), b(key), 2);
    for (int key = kA3 - 1; keys.count(key); --key)
        s[key] = s[key + 12] - OctaveWidening(b(key), b(key + 12), 3);
    return s;
}

}  // namespace

TEST(SimStretch, EveryStoredCurveFollowsItsListedInharmonicity)
{
    const std::vector<Stored> stored = ParseStored();
    ASSERT_GE(stored.size(), 10u);
    for (const Stored& inst : stored) {
        SCOPED_TRACE(inst.name);
        ASSERT_TRUE(inst.keys.count(kA3) && inst.keys.count(kA4));
        const std::map<int, double> expected = ExpectedStretch(inst.keys);
        ASSERT_EQ(expected.size(), inst.keys.size());
        double previous = -1e9;
        for (const auto& [key, k] : inst.keys) {
            EXPECT_NEAR(k.stretch, expected.at(key), 0.0051) << "key " << key;
            // Inharmonicity only ever widens octaves.
            EXPECT_GE(k.stretch, previous) << "key " << key;
            previous = k.stretch;
        }
    }
}

// A concert grand is stretched by some 20 to 30 cents at either end of its keyboard.
TEST(SimStretch, ConcertGrandsAreStretchedAsRealOnes)
{
    constexpr int kA0 = 21, kC8 = 108;
    int grands = 0;
    for (const Stored& inst : ParseStored()) {
        if (inst.name.rfind("CONCERT GRAND", 0) != 0)
            continue;
        SCOPED_TRACE(inst.name);
        ++grands;
        ASSERT_TRUE(inst.keys.count(kA0) && inst.keys.count(kC8));
        EXPECT_LE(inst.keys.at(kA0).stretch, -20.0);
        EXPECT_GE(inst.keys.at(kA0).stretch, -30.0);
        EXPECT_GE(inst.keys.at(kC8).stretch, 20.0);
        EXPECT_LE(inst.keys.at(kC8).stretch, 30.0);
    }
    EXPECT_GT(grands, 0);
}

// The actual instrument's measuring points repeat the figures of stored instrument 001 and
// name the octave each key is tuned by.
TEST(SimStretch, ActualInstrumentAgreesWithItsStoredCurve)
{
    const std::regex point(R"(  (\S+) +(STRETCH|INHARMONICITY|OCTAVE) +(\S+)( CT)?)");
    const Stored first = ParseStored().front();
    int points = 0;
    std::smatch m;
    for (const std::string& line : sim::actualInstrumentSection()) {
        if (!std::regex_match(line, m, point))
            continue;
        const int key = KeyNumber(m[1]);
        ASSERT_TRUE(first.keys.count(key)) << line;
        const Key& k = first.keys.at(key);
        if (m[2] == "STRETCH") {
            ++points;
            EXPECT_EQ(m[3].str(), k.stretchText) << line;
        } else if (m[2] == "INHARMONICITY") {
            EXPECT_EQ(m[3].str(), k.bText) << line;
        } else {
            EXPECT_EQ(m[3].str(), key == kA4 ? "REF" : key >= kA3 ? "4:2" : "6:3") << line;
        }
    }
    EXPECT_GE(points, 8);
}
