// The centre line's pieces, distances and minimiser against computations of the test's own:
// a bend worked by hand, and distances and minima found by dense sampling.
#include "centreline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

namespace {

using namespace tubrix;

constexpr double Pi = std::numbers::pi;

void ExpectNear(Vec3 actual, Vec3 expected, double tolerance = 1e-9) {
    EXPECT_NEAR(actual.X, expected.X, tolerance);
    EXPECT_NEAR(actual.Y, expected.Y, tolerance);
    EXPECT_NEAR(actual.Z, expected.Z, tolerance);
}

// 100, a quarter bend of radius 40, a row of Y = 0 bending another quarter, then 50. The walk
// starts at the origin heading along -z and, with B = 0, bends toward -x about (-40, 0, -100).
TEST(Centreline, PiecesOfABendWorkedByHand) {
    BendProgram program{};
    FillBendProgram(program, 10,
                    std::vector<BendRowInput>{{100, 0, 90, 40}, {0, 0, 90, 40}, {50, 0, 0, 0}});
    const std::vector<Piece> pieces = CentrelinePieces(WalkTube(program));
    struct Expected {
        int Row;
        PieceKind Kind;
        double Start, Length;
        Vec3 From, Middle;
    };
    const double q = 20 * Pi; // a quarter turn of radius 40
    const double h = 40 * std::sqrt(0.5);
    const Expected expected[] = {
        {0, PieceKind::Straight, 0, 100, {0, 0, 0}, {0, 0, -50}},
        {0, PieceKind::Arc, 100, q, {0, 0, -100}, {-40 + h, 0, -100 - h}},
        {1, PieceKind::Straight, 100 + q, 0, {-40, 0, -140}, {-40, 0, -140}},
        {1, PieceKind::Arc, 100 + q, q, {-40, 0, -140}, {-40 - h, 0, -100 - h}},
        {2, PieceKind::Straight, 100 + 2 * q, 50, {-80, 0, -100}, {-80, 0, -75}},
    };
    ASSERT_EQ(pieces.size(), std::size(expected));
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        SCOPED_TRACE(i);
        const Piece& p = pieces[i];
        EXPECT_EQ(p.Row, expected[i].Row);
        EXPECT_EQ(p.Kind, expected[i].Kind);
        EXPECT_NEAR(p.Start, expected[i].Start, 1e-9);
        EXPECT_NEAR(p.Length, expected[i].Length, 1e-9);
        ExpectNear(p.From, expected[i].From);
        ExpectNear(p.At(p.Length * 0.5), expected[i].Middle);
        EXPECT_LE(Length(p.At(p.Length) - p.SphereCentre), p.SphereRadius + 1e-9);
    }
    EXPECT_EQ(FindPiece(pieces, 1, PieceKind::Arc), 3u);
    EXPECT_EQ(FindPiece(pieces, 2, PieceKind::Arc), pieces.size());
}

// An arc of radius 30 in a tilted plane, swept a quarter, a half and three quarters of a turn,
// against the nearest of 20000 points along each stretch.
TEST(Centreline, DistancesAgreeWithDenseSampling) {
    const Vec3 u = Normalized({1, 2, 2}), v = Normalized(Cross(u, {0, 0, 1}));
    Piece arc;
    arc.Kind = PieceKind::Arc;
    arc.Centre = {5, -3, 7};
    arc.FromCentre = u;
    arc.Heading = v;
    arc.Radius = 30;
    Piece straight;
    straight.From = {-10, 4, 1};
    straight.Heading = Normalized({3, -1, 2});
    straight.Length = 60;
    const auto brute = [](Vec3 p, auto point, double low, double high) {
        double nearest = std::numeric_limits<double>::infinity();
        for (int k = 0; k <= 20000; ++k) {
            nearest = std::min(nearest, Length(p - point(low + (high - low) * k / 20000)));
        }
        return nearest;
    };
    const auto onArc = [&](double s) {
        return arc.Centre + u * (30 * std::cos(s / 30)) + v * (30 * std::sin(s / 30));
    };
    const auto onStraight = [&](double s) { return straight.From + straight.Heading * s; };
    const Vec3 points[] = {{0, 0, 0}, {40, 10, -5}, {5, -3, 7}, {-30, 20, 30}, {12, 9, 20}};
    for (double sweep : {Pi / 2, Pi, 1.5 * Pi}) {
        for (const Vec3& p : points) {
            SCOPED_TRACE(testing::Message() << sweep << " " << p.X);
            const double low = 3, high = 30 * sweep - 5;
            const double exact = DistanceToStretch(arc, p, low, high);
            EXPECT_LE(exact, brute(p, onArc, low, high) + 1e-12);
            EXPECT_NEAR(exact, brute(p, onArc, low, high), 1e-4);
            EXPECT_NEAR(DistanceToStretch(straight, p, 10, 50), brute(p, onStraight, 10, 50), 1e-4);
        }
    }
    // A segment from each point, against the x axis from 0 to 25.
    const auto toAxis = [](Vec3 p) {
        const double x = std::clamp(p.X, 0.0, 25.0);
        return std::sqrt((p.X - x) * (p.X - x) + p.Y * p.Y + p.Z * p.Z);
    };
    for (const Vec3& p : points) {
        const Vec3 d = p * 0.5 + Vec3{-20, 1, -3};
        double nearest = std::numeric_limits<double>::infinity();
        for (int k = 0; k <= 20000; ++k) {
            nearest = std::min(nearest, toAxis(p + d * (k / 20000.0)));
        }
        EXPECT_NEAR(PointToXSegment(p, 25), toAxis(p), 1e-12);
        EXPECT_NEAR(SegmentToXSegment(p, d, 25), nearest, 1e-3);
        EXPECT_LE(SegmentToXSegment(p, d, 25), nearest + 1e-12);
    }
}

// Several dips of different depths on [0, 10]; f'' is at most 9 + 0.3 * 17^2 there.
TEST(Centreline, MinimiseFindsTheDeepestOfSeveralDips) {
    const auto f = [](double x) { return std::sin(3 * x) + 0.3 * std::sin(17 * x) + 0.05 * x; };
    double sampled = std::numeric_limits<double>::infinity();
    for (int k = 0; k <= 1000000; ++k) {
        sampled = std::min(sampled, f(10.0 * k / 1000000));
    }
    const double found = Minimise(f, 0.0, 10.0, {9 + 0.3 * 289, -2, 10, 1e-6, 100000});
    EXPECT_GE(found, sampled - 1e-9);
    EXPECT_LE(found, sampled + 1e-6);
    // Golden section closes in on one dip: (x - 2)^2 + 1 over [0, 5].
    const auto dip = [](double x) { return (x - 2) * (x - 2) + 1; };
    EXPECT_NEAR(GoldenSection(dip, 0.0, 5.0, 200, 1e-9), 1, 1e-15);
}

// An inner search that stops within its tolerance (here up to 0.5 above the exact value) over
// a dip flat to within that tolerance, with a curvature bound far above the dip's: its bottom
// is left in dozens of stretches, and which holds the least is told by the exact values, not by
// the stretches' bounds (the four lowest bounds missed it by up to 6e-3).
TEST(Centreline, MinimiseFindsTheBottomOfADipFlatToWithinTheTolerance) {
    for (const double bottom : {2.6685, 2.0, 1.234, 0.5}) {
        for (const double bend : {0.05, 1.0, 3.0}) {
            const auto exact = [&](double t) {
                return 4.4675 + bend * (t - bottom) * (t - bottom);
            };
            const auto rough = [&](double t) { return exact(t) + 0.25 * (1 + std::sin(1000 * t)); };
            EXPECT_NEAR(Minimise(rough, exact, 0.0, 3.04, {467843.7, 0, 200, 2.66, 20000}), 4.4675,
                        1e-9)
                << bottom << ", " << bend;
        }
    }
}

// A squared distance is bracketed in distance: a part that passes through the stock, or within
// a millionth of it, is found so however small the limit it must beat, where a tolerance fixed
// in squared units (2 x 1e-3 D x D) would drop the whole search at once.
TEST(Centreline, MinimiseBracketsASquaredDistanceInDistanceHoweverNear) {
    const double limit = 0.0036, tolerance = 0.036; // 1e-3 of a diameter of 36
    for (const double nearest : {0.0, 1e-6, 0.002}) {
        const auto squared = [&](double t) {
            return nearest * nearest + 1e4 * (t - 1.561) * (t - 1.561);
        };
        const Bracket bracket{.Curvature = 1.9e6,
                              .Lowest = 0,
                              .Above = (limit + tolerance) * (limit + tolerance),
                              .Tolerance = tolerance,
                              .Budget = 20000,
                              .Squared = true};
        EXPECT_NEAR(std::sqrt(Minimise(squared, 0.0, 2.4, bracket)), nearest, 1e-9) << nearest;
    }
}

} // namespace
