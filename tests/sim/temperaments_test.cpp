// The historical temperaments are computed from their definitions; known intervals check it.
#include "temperaments.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

const sim::Temperament* Find(const std::string& part)
{
    for (const sim::Temperament& t : sim::historicalTemperaments())
        if (t.name.find(part) != std::string::npos)
            return &t;
    return nullptr;
}

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
