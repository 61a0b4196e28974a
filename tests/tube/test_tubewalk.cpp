#include "tubewalk.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace tubrix;

namespace {

constexpr BendRowInput InitialRows[InputRowCount] = {
    {30, 0, 90, 45}, {30, 90, 90, 45}, {30, 90, 90, 45}, {30, 90, 90, 45}, {30, 0, 0, 45}};

BendProgram Program(std::span<const BendRowInput> rows, double diameter = 38) {
    BendProgram program{};
    FillBendProgram(program, diameter, rows);
    return program;
}

void ExpectNear(Vec3 actual, Vec3 expected, double tolerance = 1e-9) {
    EXPECT_NEAR(actual.X, expected.X, tolerance);
    EXPECT_NEAR(actual.Y, expected.Y, tolerance);
    EXPECT_NEAR(actual.Z, expected.Z, tolerance);
}

// The initial program's straights where the viewer draws them (cut at row 3), from the table
// of the builder's known coordinates: the walk mapped into the viewer's frame must give them.
TEST(TubeWalk, InitialProgramMatchesTheViewersCoordinates) {
    const TubeWalk walk = WalkTube(Program(InitialRows));
    ASSERT_EQ(walk.Steps.size(), 5u);
    const WalkFrame toViewer = walk.Steps[3].Start.Inverse();
    const Vec3 expected[5][2] = {{{-120, 120, 120}, {-120, 120, 90}},
                                 {{-120, 75, 45}, {-120, 45, 45}},
                                 {{-75, 0, 45}, {-45, 0, 45}},
                                 {{0, 0, 0}, {0, 0, -30}},
                                 {{0, -45, -75}, {0, -75, -75}}};
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        ExpectNear(toViewer.Point(walk.Steps[i].StraightStart), expected[i][0]);
        ExpectNear(toViewer.Point(walk.Steps[i].StraightEnd), expected[i][1]);
    }
}

// Each bend is a quarter circle of radius 45: its end lies on the circle at the bend angle,
// the next straight starts there, and the legs meet R tan(C/2) past the straight's end.
TEST(TubeWalk, BendsJoinTheStraightsOnTheirCircles) {
    const TubeWalk walk = WalkTube(Program(InitialRows));
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const WalkStep& step = walk.Steps[i];
        ASSERT_TRUE(step.Bend);
        const WalkBend& bend = *step.Bend;
        EXPECT_NEAR(Length(step.StraightEnd - bend.Centre), 45, 1e-9);
        EXPECT_NEAR(Length(bend.End - bend.Centre), 45, 1e-9);
        // A quarter turn: the end lies along the old heading from the centre.
        ExpectNear(bend.End, bend.Centre + step.Heading * 45);
        ExpectNear(walk.Steps[i + 1].StraightStart, bend.End);
        ExpectNear(*bend.Intersection, step.StraightEnd + step.Heading * 45);
        EXPECT_NEAR(bend.ArcLength, 45 * std::numbers::pi / 2, 1e-12);
    }
    EXPECT_FALSE(walk.Steps[4].Bend);
    ExpectNear(walk.Start, {0, 0, 0});
    ExpectNear(walk.Steps[0].Heading, {0, 0, -1});
    EXPECT_NEAR(walk.DevelopedLength, 150 + 90 * std::numbers::pi, 1e-9);
}

// A single 60-degree bend worked by hand: after a straight of 10 along -z the heading turns
// towards the centre; the tangent length is R tan(30) and the arc R * pi / 3.
TEST(TubeWalk, SingleBendByHand) {
    const BendRowInput rows[] = {{10, 0, 60, 20}, {5, 0, 0, 20}};
    const TubeWalk walk = WalkTube(Program(rows, 4));
    const WalkBend& bend = *walk.Steps[0].Bend;
    const Vec3 towardCentre = bend.FromCentre * -1;
    EXPECT_NEAR(Dot(towardCentre, walk.Steps[0].Heading), 0, 1e-12);
    ExpectNear(bend.Centre, Vec3{0, 0, -10} + towardCentre * 20);
    ExpectNear(*bend.Intersection, {0, 0, -10 - 20 * std::tan(std::numbers::pi / 6)});
    const Vec3 heading = walk.Steps[1].Heading;
    EXPECT_NEAR(Dot(heading, {0, 0, -1}), 0.5, 1e-12);
    EXPECT_NEAR(Dot(heading, towardCentre), std::sqrt(3) / 2, 1e-12);
    // Both legs pass through the intersection point.
    const Vec3 back = walk.Steps[1].StraightStart - *bend.Intersection;
    EXPECT_NEAR(Length(Cross(back, heading)), 0, 1e-9);
    EXPECT_NEAR(walk.DevelopedLength, 15 + 20 * std::numbers::pi / 3, 1e-12);
    // A 180-degree bend has no intersection point.
    const BendRowInput uTurn[] = {{10, 0, 180, 20}, {5, 0, 0, 20}};
    EXPECT_FALSE(WalkTube(Program(uTurn)).Steps[0].Bend->Intersection);
}

// The box reaches the arc's extreme, not only its ends: a half circle bulges past both.
TEST(TubeWalk, BoundingBoxHoldsTheArcsExtremes) {
    const BendRowInput rows[] = {{0, 0, 180, 10}, {0, 0, 0, 10}};
    const TubeWalk walk = WalkTube(Program(rows, 2));
    const WalkBend& bend = *walk.Steps[0].Bend;
    // The centre line runs from the origin half round a circle of radius 10; heading -z at the
    // start, so it reaches 10 beyond the centre along -z. Grown by the tube radius 1.
    EXPECT_NEAR(walk.BoxMin.Z, bend.Centre.Z - 10 - 1, 1e-9);
    EXPECT_NEAR(walk.BoxMax.Z, 1, 1e-9);
}

TEST(TubeWalk, DevelopedLengthLeavesOutTheLastRowsArc) {
    BendRowInput rows[InputRowCount];
    std::copy(std::begin(InitialRows), std::end(InitialRows), rows);
    rows[4].C = 60;
    rows[2].C = -30; // not above 0: no arc
    const BendProgram program = Program(rows);
    EXPECT_NEAR(DevelopedLength(program), 150 + 67.5 * std::numbers::pi, 1e-9);
    EXPECT_GT(program.TotalLength, DevelopedLength(program));
    BendProgram empty{};
    EXPECT_EQ(DevelopedLength(empty), 0);
    empty.StepCount = 1000; // a claim past the table is held to it
    EXPECT_EQ(WalkTube(empty).Steps.size(), static_cast<std::size_t>(MaxBendSteps));
}

} // namespace
