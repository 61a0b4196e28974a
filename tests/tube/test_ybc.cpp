#include "ybc.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

using namespace tubrix;

namespace {

PointsRows Points(std::vector<XyzPoint> xyz, double diameter = 10) {
    PointsRows rows;
    rows.Diameter = diameter;
    int line = 3;
    for (const XyzPoint& p : xyz) {
        rows.Points.push_back({p.At.X, p.At.Y, p.At.Z, p.R, line++});
    }
    return rows;
}

BendProgram Program(const std::vector<BendRowInput>& rows, double diameter = 10) {
    BendProgram program{};
    FillBendProgram(program, diameter, rows);
    return program;
}

// Angles compared modulo a whole turn.
double AngleGap(double a, double b) {
    return std::fabs(std::remainder(a - b, 360.0));
}

// Random programs of the kind the round trip holds for: the first and last B 0, the last C 0,
// every other row bending strictly between 0 and 180 degrees, lengths below 10,000.
std::vector<BendRowInput> RandomProgram(std::mt19937_64& random, int rows) {
    std::uniform_real_distribution<double> length(0, 2000), turn(-180, 180), bend(1, 179),
        radius(5, 200);
    std::vector<BendRowInput> program;
    for (int i = 0; i < rows; ++i) {
        const bool last = i == rows - 1;
        program.push_back({length(random), i == 0 || last ? 0 : turn(random),
                           last ? 0 : bend(random), radius(random)});
    }
    return program;
}

TEST(Ybc, XyzThenYbcGivesTheProgramBack) {
    std::mt19937_64 random(7);
    for (int trial = 0; trial < 300; ++trial) {
        const int rows = 2 + trial % 99;
        SCOPED_TRACE(trial);
        const std::vector<BendRowInput> original = RandomProgram(random, rows);
        const auto xyz = ProgramToXyz(WalkTube(Program(original)));
        ASSERT_TRUE(xyz) << xyz.Failure().ToString();
        ASSERT_EQ(xyz->size(), static_cast<std::size_t>(rows + 1));
        const Result<ProgramRows> back = XyzToProgram(Points(*xyz), std::nullopt, "points.csv");
        ASSERT_TRUE(back) << back.Failure().ToString();
        ASSERT_EQ(back->Rows.size(), original.size());
        for (int i = 0; i < rows; ++i) {
            const BendRowInput& a = original[i];
            const BendRowInput& b = back->Rows[i];
            ASSERT_NEAR(b.Y, a.Y, 1e-6) << "row " << i;
            ASSERT_LT(AngleGap(b.B, a.B), 1e-6) << "row " << i;
            ASSERT_LT(AngleGap(b.C, a.C), 1e-6) << "row " << i;
            if (i < rows - 1) {
                ASSERT_NEAR(b.R, a.R, 1e-6) << "row " << i;
            }
        }
    }
}

// Worked by hand: an L of legs 100 along x then 50 along y, radius 20 at the corner. The
// tangent length is 20 tan 45 = 20, so the straights are 80 and 30 and the bend 90 degrees.
TEST(Ybc, SingleBendByHand) {
    const auto program =
        XyzToProgram(Points({{{0, 0, 0}, {}}, {{100, 0, 0}, 20}, {{100, 50, 0}, {}}}), {}, "f");
    ASSERT_TRUE(program);
    const auto& rows = program->Rows;
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_NEAR(rows[0].Y, 80, 1e-12);
    EXPECT_NEAR(rows[0].C, 90, 1e-12);
    EXPECT_EQ(rows[0].B, 0);
    EXPECT_EQ(rows[0].R, 20);
    EXPECT_NEAR(rows[1].Y, 30, 1e-12);
    EXPECT_EQ(rows[1].B, 0);
    EXPECT_EQ(rows[1].C, 0);
    EXPECT_EQ(rows[1].R, 20); // the previous row's radius
}

// Collinear points and a first leg without a bend: the straights continue (C 0, B 0), the first
// row that bends sets the plane with B 0, and the next bend out of that plane turns it.
TEST(Ybc, CollinearPointsAndAFirstLegWithoutABend) {
    const auto program = XyzToProgram(Points({{{0, 0, 0}, {}},
                                              {{0, 0, -10}, {}},
                                              {{0, 0, -30}, {}},
                                              {{40, 0, -30}, {}},
                                              {{40, 40, -30}, {}}}),
                                      5.0, "f");
    ASSERT_TRUE(program) << program.Failure().ToString();
    const auto& rows = program->Rows;
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_NEAR(rows[0].Y, 10, 1e-12);
    EXPECT_EQ(rows[0].C, 0);
    EXPECT_EQ(rows[0].B, 0);
    EXPECT_NEAR(rows[1].Y, 20 - 5, 1e-12);
    EXPECT_NEAR(rows[1].C, 90, 1e-9);
    EXPECT_EQ(rows[1].B, 0);
    EXPECT_NEAR(rows[2].Y, 40 - 10, 1e-12);
    EXPECT_NEAR(rows[2].C, 90, 1e-9);
    EXPECT_NEAR(std::fabs(rows[2].B), 90, 1e-9); // the second bend leaves the first one's plane
    EXPECT_NEAR(rows[3].Y, 35, 1e-12);
    // Walked again, the program passes through the given corner points.
    const auto xyz = ProgramToXyz(WalkTube(Program(program->Rows)));
    ASSERT_EQ(xyz->size(), 4u); // the straight through (0, 0, -10) adds no point
    EXPECT_NEAR(Length(xyz->at(1).At - xyz->at(0).At), 30, 1e-9);
    EXPECT_NEAR(Length(xyz->at(2).At - xyz->at(1).At), 40, 1e-9);
    EXPECT_NEAR(Length(xyz->at(3).At - xyz->at(2).At), 40, 1e-9);
    EXPECT_NEAR(Dot(xyz->at(3).At - xyz->at(2).At, xyz->at(1).At - xyz->at(0).At), 0, 1e-9);
}

TEST(Ybc, FaultsNameTheLineOfThePoint) {
    const struct {
        std::vector<XyzPoint> points;
        std::optional<double> radius;
        int line;
        const char* words;
    } cases[] = {
        {{{{0, 0, 0}, {}}, {{0, 0, 0}, {}}}, 5.0, 4, "equals"},
        {{{{0, 0, 0}, {}}, {{10, 0, 0}, {}}, {{10, 10, 0}, {}}}, std::nullopt, 4, "radius"},
        {{{{0, 0, 0}, {}}, {{10, 0, 0}, 50.0}, {{10, 10, 0}, {}}}, {}, 4, "too short"},
        {{{{0, 0, 0}, {}}, {{10, 0, 0}, 1.0}, {{0, 0, 0}, {}}}, {}, 4, "reverse"},
    };
    for (const auto& c : cases) {
        const auto program = XyzToProgram(Points(c.points), c.radius, "bad.csv");
        ASSERT_FALSE(program) << c.words;
        EXPECT_EQ(program.Failure().Line, c.line) << c.words;
        EXPECT_NE(program.Failure().ToString().find(c.words), std::string::npos)
            << program.Failure().Message;
    }
}

// A leg too short for its bends: the leg, its length and what each bend takes from it; and,
// when 25.4 times the length would do, the likely slip of units.
TEST(Ybc, AShortLegSaysWhatItsBendsNeedAndWhenInchesWouldDo) {
    // A square corner of radius 50 takes 50 from each leg; the first leg is 4 long (101.6 in
    // millimetres, were it inches).
    const auto inches = XyzToProgram(
        Points({{{0, 0, 0}, {}}, {{0, 0, -4}, 50.0}, {{4, 0, -4}, {}}}), {}, "cad.csv");
    ASSERT_FALSE(inches);
    EXPECT_EQ(inches.Failure().ToString(),
              "cad.csv:4: leg 1, from point 1 to point 2, is too short for its bends: it is 4 "
              "long, and they need 50 of it, 0 at point 1 and 50 at point 2 (points in inches "
              "and radii in mm?)");
    // Two legs of 1 between bends of 50: 25.4 is still too short, so no guess.
    const auto tooShort = XyzToProgram(Points({{{0, 0, 0}, {}},
                                               {{0, 0, -200}, {}},
                                               {{1, 0, -200}, {}},
                                               {{1, 1, -200}, {}},
                                               {{1, 1, -400}, {}}}),
                                       50.0, "cad.csv");
    ASSERT_FALSE(tooShort);
    EXPECT_EQ(tooShort.Failure().ToString(),
              "cad.csv:5: leg 2, from point 2 to point 3, is too short for its bends: it is 1 "
              "long, and they need 100 of it, 50 at point 2 and 50 at point 3");
}

TEST(Ybc, APointWhereTheLegsRunOnInLineNeedsNoRadius) {
    // The points run on along -z through (0, 0, -50), then turn a square corner at -100.
    const Result<ProgramRows> program = XyzToProgram(Points({{{0, 0, 0}, std::nullopt},
                                                             {{0, 0, -50}, std::nullopt},
                                                             {{0, 0, -100}, 20},
                                                             {{40, 0, -100}, std::nullopt}}),
                                                     std::nullopt, "p.csv");
    ASSERT_TRUE(program) << program.Failure().ToString();
    const auto& rows = program->Rows;
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].C, 0);
    EXPECT_NEAR(rows[1].Y, 30, 1e-12); // 50 less the corner's tangent 20 tan 45
    EXPECT_NEAR(rows[1].C, 90, 1e-12);
    EXPECT_NEAR(rows[2].Y, 20, 1e-12);
}

TEST(Ybc, AHalfTurnHasNoIntersectionPoint) {
    const auto xyz =
        ProgramToXyz(WalkTube(Program({{10, 0, 90, 5}, {10, 0, 180, 5}, {10, 0, 0, 5}})));
    ASSERT_FALSE(xyz);
    EXPECT_EQ(xyz.Failure().Row, 2); // the second row, counted from 1
}

} // namespace
