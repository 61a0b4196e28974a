// The other hand of a part: the mirrored program draws the original's mirror image.
#include "programfile.h"
#include "tubewalk.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

using namespace tubrix;

namespace {

// A part with no symmetry to hide a wrong sign: every B and C different.
const ProgramRows Part{25,
                       {{50, 0, 60, 40},
                        {40, -70, 90, 35},
                        {60, 120, 45, 50},
                        {30, 10.5, 80, 30},
                        {45, -35, 100, 30},
                        {40, 0, 0, 30}}};

std::vector<Vec3> CentreLinePoints(const ProgramRows& rows) {
    const TubeWalk walk = WalkTube(ProgramFromRows(rows));
    std::vector<Vec3> points;
    for (const WalkStep& step : walk.Steps) {
        points.push_back(step.StraightStart);
        points.push_back(step.StraightEnd);
    }
    return points;
}

double Triple(Vec3 a, Vec3 b, Vec3 c) {
    return Dot(a, Cross(b, c));
}

TEST(Mirror, ThePartIsItsReflection) {
    ProgramRows mirrored = Part;
    MirrorProgram(mirrored);
    const std::vector<Vec3> p = CentreLinePoints(Part), q = CentreLinePoints(mirrored);
    ASSERT_EQ(p.size(), q.size());
    // A reflection keeps every distance between points of the part...
    for (std::size_t i = 0; i < p.size(); ++i) {
        for (std::size_t j = i + 1; j < p.size(); ++j) {
            EXPECT_NEAR(Length(q[i] - q[j]), Length(p[i] - p[j]), 1e-9) << i << " " << j;
        }
    }
    // ...and reverses the turn of every three consecutive legs (their triple product).
    int turns = 0;
    for (std::size_t i = 0; i + 5 < p.size(); i += 2) {
        const double before = Triple(p[i + 1] - p[i], p[i + 3] - p[i + 2], p[i + 5] - p[i + 4]);
        const double after = Triple(q[i + 1] - q[i], q[i + 3] - q[i + 2], q[i + 5] - q[i + 4]);
        if (std::fabs(before) > 1) {
            ++turns;
            EXPECT_NEAR(after, -before, 1e-6 * std::fabs(before)) << i / 2;
        }
    }
    EXPECT_GE(turns, 3);
}

TEST(Mirror, TwiceIsTheOriginalBitForBitAndWritesNoMinusZero) {
    ProgramRows twice = Part;
    MirrorProgram(twice);
    EXPECT_EQ(twice.Rows[1].B, 70);
    EXPECT_EQ(FormatNumber(twice.Rows[0].B), "0");
    MirrorProgram(twice);
    ASSERT_EQ(twice.Rows.size(), Part.Rows.size());
    EXPECT_EQ(
        std::memcmp(twice.Rows.data(), Part.Rows.data(), Part.Rows.size() * sizeof(BendRowInput)),
        0);
}

} // namespace
