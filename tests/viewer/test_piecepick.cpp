// The piece the pointer is on, with a projection of the tests' own: x and y as they are, the
// depth growing away from a viewer on the +z side.
#include "piecepick.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <numbers>

using namespace tubrix;

namespace {

WindowPoint Flat(Vec3 p) {
    return {p.X, p.Y, -p.Z};
}

Piece Straight(int row, Vec3 from, Vec3 heading, double length) {
    Piece piece;
    piece.Row = row;
    piece.From = from;
    piece.Heading = heading;
    piece.Length = length;
    piece.SphereCentre = from + heading * (length / 2);
    piece.SphereRadius = length / 2;
    return piece;
}

// A quarter circle about `centre` in the z = 0 plane, from centre + (r, 0, 0) towards +y.
Piece Quarter(int row, Vec3 centre, double r) {
    Piece piece;
    piece.Kind = PieceKind::Arc;
    piece.Row = row;
    piece.Centre = centre;
    piece.FromCentre = {1, 0, 0};
    piece.Heading = {0, 1, 0};
    piece.Radius = r;
    piece.Length = r * std::numbers::pi / 2;
    piece.From = centre + Vec3{r, 0, 0};
    piece.SphereCentre = centre;
    piece.SphereRadius = r;
    return piece;
}

TEST(PiecePick, ThePieceUnderThePointerNearestTheViewer) {
    // Two straights crossing at (50, 50) on screen, the first 30 nearer the viewer; an arc of
    // radius 40 about (200, 0); a tube 10 across with 2 pixels of slack.
    const std::array<Piece, 3> pieces{Straight(0, {0, 50, 30}, {1, 0, 0}, 100),
                                      Straight(1, {50, 0, 0}, {0, 1, 0}, 100),
                                      Quarter(2, {200, 0, 0}, 40)};
    const TubeReach reach{5, 5, 2};
    const double diagonal = 40 / std::numbers::sqrt2;
    struct Case {
        double X, Y;
        std::optional<std::size_t> Piece;
        const char* Where;
    };
    const Case cases[] = {
        {50, 50, 0, "the crossing: the straight in front"},
        {50, 10, 1, "the second straight where nothing covers it"},
        {53, 80, 1, "within the radius of its centre line"},
        {57, 80, 1, "within the slack"},
        {57.5, 80, std::nullopt, "past the slack"},
        {49, 45, 0, "in front, even if the other passes nearer"},
        {200 + diagonal, diagonal, 2, "the arc's middle"},
        {200 + diagonal + 6, diagonal, 2, "beside the arc, within its reach"},
        {200, 0, std::nullopt, "the arc's centre"},
        {105, 50, 0, "just past the straight's end, within the slack"},
        {150, 150, std::nullopt, "the background"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PieceUnderPointer(pieces, Flat, c.X, c.Y, reach), c.Piece) << c.Where;
    }
}

TEST(PiecePick, ASurfaceInFrontWinsOverACentreLineNearer) {
    // The pointer 4 pixels off a straight at depth 0 and on the line of one at depth 3: the
    // first's surface there, sqrt(25 - 16) = 3 in front of its line, is nearer than the
    // second's, 5 in front of its line.
    const std::array<Piece, 2> pieces{Straight(0, {0, 4, 0}, {1, 0, 0}, 100),
                                      Straight(1, {0, 0, -3}, {1, 0, 0}, 100)};
    EXPECT_EQ(PieceUnderPointer(pieces, Flat, 50, 0, {5, 5, 2}), 0u);
    // Past the first's end it has no surface, and the one behind goes on.
    const std::array<Piece, 2> ends{Straight(0, {0, 4, 0}, {1, 0, 0}, 40),
                                    Straight(1, {0, 0, -3}, {1, 0, 0}, 100)};
    EXPECT_EQ(PieceUnderPointer(ends, Flat, 43, 0, {5, 5, 2}), 1u);
}

TEST(PiecePick, PiecesThatAreNoNumbersOrNothingAreNeverPointedAt) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    Piece coil = Quarter(2, {0, 0, 0}, 1e-300);
    coil.Length = 1e300; // turns past any number: its points are none
    const std::array<Piece, 3> pieces{Straight(0, {nan, 0, 0}, {1, 0, 0}, 100),
                                      Straight(1, {0, 0, 0}, {1, 0, 0}, 0), coil};
    EXPECT_EQ(PieceUnderPointer(pieces, Flat, 50, 0, {5, 5, 2}), std::nullopt);
    EXPECT_EQ(PieceUnderPointer(pieces, Flat, 0, 0, {5, 5, 2}), std::nullopt);
    const auto nowhere = [](Vec3) { return WindowPoint{NAN, NAN, NAN}; };
    const std::array<Piece, 1> one{Straight(0, {0, 0, 0}, {1, 0, 0}, 100)};
    EXPECT_EQ(PieceUnderPointer(one, nowhere, 0, 0, {5, 5, 2}), std::nullopt);
}

} // namespace
