// A tube from its centre-line pieces: the order, the lead end, and what is no tube; and the
// text the CAD helper answers in, read strictly.
#include "tubepieces.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace tubrix;

namespace {

TubePiece Straight(int face, Vec3 from, Vec3 to, double radius = 10) {
    TubePiece piece;
    piece.Face = face;
    piece.TubeRadius = radius;
    piece.From = from;
    piece.To = to;
    return piece;
}

TubePiece Bend(int face, Vec3 centre, Vec3 from, Vec3 to, double degrees, Vec3 axis = {0, 0, 1}) {
    TubePiece piece = Straight(face, from, to);
    piece.Kind = PieceKind::Arc;
    piece.Centre = centre;
    piece.Axis = axis;
    piece.Degrees = degrees;
    piece.BendRadius = Length(from - centre);
    return piece;
}

CadBody Body(std::vector<TubePiece> pieces) {
    return {static_cast<int>(pieces.size()) + 2, 200, std::move(pieces), {}};
}

// An L: 100 along x from the origin, a quarter bend of 40 to the left, 60 along y; the pieces
// listed out of order and one of them backwards.
const CadBody Ell = Body({Straight(3, {140, 100, 0}, {140, 40, 0}),
                          Bend(2, {100, 40, 0}, {100, 0, 0}, {140, 40, 0}, 90),
                          Straight(1, {0, 0, 0}, {100, 0, 0})});

void ExpectRows(const ProgramRows& got, const std::vector<BendRowInput>& want) {
    ASSERT_EQ(got.Rows.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i) {
        EXPECT_NEAR(got.Rows[i].Y, want[i].Y, 1e-9) << i;
        EXPECT_NEAR(got.Rows[i].B, want[i].B, 1e-9) << i;
        EXPECT_NEAR(got.Rows[i].C, want[i].C, 1e-9) << i;
        EXPECT_NEAR(got.Rows[i].R, want[i].R, 1e-9) << i;
    }
}

TEST(TubePieces, TheLeadEndIsSmallestInXAndReverseStartsFromTheOther) {
    const Result<CadTube> lead = TubeFromPieces(Ell, false, "ell.step");
    ASSERT_TRUE(lead) << lead.Failure().ToString();
    EXPECT_EQ(lead->Program.Diameter, 20);
    EXPECT_FALSE(lead->Wall);
    ExpectRows(lead->Program, {{100, 0, 90, 40}, {60, 0, 0, 40}});
    const Result<CadTube> back = TubeFromPieces(Ell, true, "ell.step");
    ASSERT_TRUE(back) << back.Failure().ToString();
    ExpectRows(back->Program, {{60, 0, 90, 40}, {100, 0, 0, 40}});

    // Straights in line are one row; a hollow tube's bore gives its wall.
    CadBody split = Body({Straight(1, {0, 0, 0}, {30, 0, 0}), Straight(2, {30, 0, 0}, {70, 0, 0})});
    for (TubePiece& piece : split.Pieces) {
        piece.InnerRadius = 8.5;
    }
    const Result<CadTube> straight = TubeFromPieces(split, false, "s.step");
    ASSERT_TRUE(straight) << straight.Failure().ToString();
    ExpectRows(straight->Program, {{70, 0, 0, 0}});
    EXPECT_EQ(straight->Wall, 1.5);
}

TEST(TubePieces, WhatIsNoTubeIsRefusedNamingTheFace) {
    const double degree = std::numbers::pi / 180;
    // 101 bends of one degree in a row: 102 rows.
    std::vector<TubePiece> many;
    for (int k = 0; k < 101; ++k) {
        const auto at = [](double a) { return Vec3{100 * std::cos(a), 100 * std::sin(a), 0}; };
        many.push_back(Bend(k + 1, {0, 0, 0}, at(k * degree), at((k + 1) * degree), 1));
    }
    TubePiece thicker = Straight(7, {140, 100, 0}, {140, 160, 0}, 12);
    const struct {
        const char* name;
        CadBody body;
        const char* says;
    } cases[] = {
        {"kink",
         Body({Straight(1, {0, 0, 0}, {100, 0, 0}), Straight(2, {100, 0, 0}, {100, 50, 0})}),
         "p.step: face 1: does not meet face 2 tangentially: the tube kinks by 90 degrees"},
        {"gap",
         Body({Straight(1, {0, 0, 0}, {100, 0, 0}), Straight(2, {100.5, 0, 0}, {200, 0, 0})}),
         "p.step: face 1: does not meet face 2 tangentially: their centre lines end 0.5 apart"},
        {"diameter",
         Body({Straight(3, {140, 100, 0}, {140, 40, 0}),
               Bend(2, {100, 40, 0}, {100, 0, 0}, {140, 40, 0}, 90), thicker}),
         "p.step: face 7: the diameter changes from 20 (face 3) to 24"},
        {"branch",
         Body({Straight(1, {0, 0, 0}, {100, 0, 0}), Straight(2, {100, 0, 0}, {200, 0, 0}),
               Straight(3, {100, 0, 0}, {150, 0, 0})}),
         "p.step: face 1: the tube branches"},
        {"apart",
         Body({Straight(1, {0, 0, 0}, {100, 0, 0}), Straight(2, {0, 50, 0}, {100, 50, 0})}),
         "p.step: face 2: the tube branches or falls apart: it has 4 free ends, not 2"},
        {"ring",
         Body({Bend(4, {0, 0, 0}, {50, 0, 0}, {-50, 0, 0}, 180),
               Bend(5, {0, 0, 0}, {-50, 0, 0}, {50, 0, 0}, 180)}),
         "p.step: face 4: a closed ring: the tube has no ends"},
        {"rows", Body(many), "p.step: the tube has 102 rows; a program holds at most 100"},
        {"no pieces", Body({}), "p.step: no tube: the body has no cylindrical or toroidal face"},
        {"too long", Body({Straight(1, {-1e308, 0, 0}, {1e308, 0, 0})}),
         "p.step: the tube is too large for its lengths to be numbers"},
        {"not a tube",
         CadBody{3, 1, {}, "face 2: a cone; a tube is read from cylinders, tori and planes"},
         "p.step: face 2: a cone; a tube is read from cylinders, tori and planes"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Result<CadTube> tube = TubeFromPieces(c.body, false, "p.step");
        ASSERT_FALSE(tube);
        EXPECT_EQ(tube.Failure().ToString().substr(0, std::string(c.says).size()), c.says);
    }
}

TEST(TubePieces, TheHelpersTextReadsBackAndIsReadStrictly) {
    CadBody other{6, 17.5, {}, "face 2: a sphere; a tube is read from cylinders, tori and planes"};
    const std::string text = FormatCadBodies({Ell, other});
    const Result<std::vector<CadBody>> read = ParseCadBodies(text, "helper");
    ASSERT_TRUE(read) << read.Failure().ToString();
    ASSERT_EQ(read->size(), 2u);
    EXPECT_EQ((*read)[1].NotATube, other.NotATube);
    EXPECT_EQ((*read)[1].BoxDiagonal, 17.5);
    ASSERT_EQ((*read)[0].Pieces.size(), 3u);
    const TubePiece& bend = (*read)[0].Pieces[1];
    EXPECT_EQ(bend.Kind, PieceKind::Arc);
    EXPECT_EQ(bend.Face, 2);
    EXPECT_EQ(bend.To.X, 140);
    EXPECT_EQ(bend.Degrees, 90);
    EXPECT_EQ(bend.BendRadius, 40);

    const struct {
        const char* text;
        const char* says;
    } cases[] = {
        {"straight 1 10 0 0 0 0 1 0 0\n", "helper:1:1: a body was expected first"},
        {
            "body 3 1\nstraight 1 10 0 0 0 0 1 0\n",
            "helper:2:",
        },
        {"body 3 1\nstraight 1 nan 0 0 0 0 1 0 0\n", "helper:2:11: a number was expected"},
        {"body 3 1\nstraight 1 1e999 0 0 0 0 1 0 0\n", "helper:2:11: a number was expected"},
        {"body 3 1\nstraight 0 10 0 0 0 0 1 0 0\n", "helper:2:"},
        {"body 3 1\nstraight 1 -10 0 0 0 0 1 0 0\n", "helper:2:"},
        {"body 3 1\nstraight 1 10 10 0 0 0 1 0 0\n", "helper:2:"},
        {"body 3 1\nstraight 1 10 0 0 0 0 1 0 0 9\n", "helper:2:"},
        {"body -3 1\n", "helper:1:"},
        {"body 3 1\ncone 1\n", "helper:2:1: \"body\", \"notatube\", \"straight\" or \"bend\""},
        {"body 3 1\nbend 1 10 0 0 0 0 1 0 0 0 0 0 0 0 2 90 40\n", "helper:2:"},
        // A body is its pieces or why it is no tube: the two could not be written back.
        {"body 3 1\nnotatube cone\nstraight 1 10 0 0 0 0 1 0 0\n", "helper:3:1: "},
        {"body 3 1\nstraight 1 10 0 0 0 0 1 0 0\nnotatube cone\n", "helper:3:1: "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const Result<std::vector<CadBody>> bad = ParseCadBodies(c.text, "helper");
        ASSERT_FALSE(bad);
        EXPECT_EQ(bad.Failure().ToString().substr(0, std::string(c.says).size()), c.says);
    }
}

} // namespace
