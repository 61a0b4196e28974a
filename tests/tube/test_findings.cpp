// The checks at each rule's limit and just past it, the machine's program, and self-contact.
#include "findings.h"
#include "machineprogram.h"
#include "numbertext.h"
#include "springback.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>

using namespace tubrix;

namespace {

constexpr double Pi = std::numbers::pi;

BendProgram Program(double diameter, std::vector<BendRowInput> rows) {
    BendProgram program{};
    FillBendProgram(program, diameter, rows);
    return program;
}

std::vector<std::string> Lines(const std::vector<Finding>& findings) {
    std::vector<std::string> lines;
    for (const Finding& f : findings) {
        lines.push_back(FindingLine(f));
    }
    return lines;
}

// Two bends on dies 45 and 76 with straights of 120 and 114 before them and a tail of 60; the
// profile sits exactly at every limit. Cut length: 294 + 60.5 pi less two gains of 0.8.
const std::vector<BendRowInput> TwoBends = {{120, 0, 90, 45}, {114, 90, 90, 76}, {60, 0, 0, 45}};
const double TwoBendsCut = 294 + 60.5 * Pi - 1.6;

MachineProfile AtTheLimits() {
    MachineProfile p;
    p.TubeDiameter = 38;
    p.Radii = {45, 76};
    p.ClampLength = 114;
    p.MinTail = 60;
    p.MaxAngle = 90;
    p.MaxLength = TwoBendsCut;
    p.GainPerBend = 0.8;
    return p;
}

TEST(Findings, EachRuleAtItsLimitAndJustPast) {
    struct Case {
        const char* Name;
        std::function<void(BendProgram&, MachineProfile&)> Change;
        std::vector<std::string> Lines;
    };
    const Case cases[] = {
        {"at every limit", [](BendProgram&, MachineProfile&) {}, {}},
        {"diameter within 1e-9",
         [](BendProgram& b, MachineProfile&) { b.TubeDiameter *= 1 + 9e-10; },
         {}},
        {"diameter past",
         [](BendProgram& b, MachineProfile&) { b.TubeDiameter = 38.0001; },
         {"diameter: tube diameter 38 is not the tooling's 38"}},
        {"die within 1e-6", [](BendProgram&, MachineProfile& p) { p.Radii[1] = 76 - 0.9e-6; }, {}},
        {"die past",
         [](BendProgram&, MachineProfile& p) { p.Radii[1] = 76 + 1.1e-6; },
         {"row 2: die: no die of radius 76 (the dies are 45, 76)"}},
        {"angle past",
         [](BendProgram&, MachineProfile& p) { p.MaxAngle = 89.999; },
         {"row 1: angle: machine angle 90 > 89.999", "row 2: angle: machine angle 90 > 89.999"}},
        {"clamp past",
         [](BendProgram&, MachineProfile& p) { p.ClampLength = 114.001; },
         {"row 2: clamp: straight before the bend 114 < 114.001"}},
        {"tail past",
         [](BendProgram&, MachineProfile& p) { p.MinTail = 60.001; },
         {"row 3: tail: tail after the last bend 60 < 60.001"}},
        {"length past",
         [](BendProgram&, MachineProfile& p) { *p.MaxLength -= 0.001; },
         {"length: cut length 482.466 > 482.465"}},
        {"all at once, sorted",
         [](BendProgram& b, MachineProfile& p) {
             b.TubeDiameter = 40;
             b.Steps[0].R = 50;
             p.MaxAngle = 80;
             p.ClampLength = 200;
             p.MinTail = 100;
             *p.MaxLength = 100;
         },
         {"diameter: tube diameter 40 is not the tooling's 38", "length: cut length 490.32 > 100",
          "row 1: die: no die of radius 50 (the dies are 45, 76)",
          "row 1: angle: machine angle 90 > 80", "row 1: clamp: straight before the bend 120 < 200",
          "row 2: angle: machine angle 90 > 80", "row 2: clamp: straight before the bend 114 < 200",
          "row 3: tail: tail after the last bend 60 < 100"}},
    };
    for (const Case& c : cases) {
        BendProgram program = Program(38, TwoBends);
        MachineProfile profile = AtTheLimits();
        c.Change(program, profile);
        EXPECT_EQ(Lines(CheckPart(program, &profile)), c.Lines) << c.Name;
    }
}

TEST(Findings, StraightsRunOnThroughRowsThatDoNotBendAndSpringbackRaisesTheAngle) {
    // 50 + 64 + 10 before the one bend; the last row's C is never bent.
    const BendProgram program =
        Program(38, {{50, 0, 0, 45}, {64, 30, 0, 45}, {10, 0, 90, 45}, {40, 0, 0, 0}});
    MachineProfile profile;
    profile.ClampLength = 124;
    profile.MinTail = 40;
    EXPECT_TRUE(CheckPart(program, &profile).empty());
    profile.ClampLength = 124.5;
    profile.MinTail = 40.5;
    EXPECT_EQ(Lines(CheckPart(program, &profile)),
              (std::vector<std::string>{"row 3: clamp: straight before the bend 124 < 124.5",
                                        "row 4: tail: tail after the last bend 40 < 40.5"}));

    // The shop's rule of thumb: 90 degrees are bent as 96.
    MachineProfile springback;
    springback.SpringbackFixed = 1.5;
    springback.SpringbackPerDegree = 0.05;
    springback.MaxAngle = 96;
    EXPECT_DOUBLE_EQ(MachineAngle(springback, 90, {}), 96);
    EXPECT_TRUE(CheckPart(program, &springback).empty());
    springback.MaxAngle = 95.99;
    EXPECT_EQ(Lines(CheckPart(program, &springback)),
              (std::vector<std::string>{"row 3: angle: machine angle 96 > 95.99"}));
}

TEST(Findings, WithoutAProfileOnlyFoldsAndContact) {
    // A radius above the tube's radius bends; at it (R = D/2) the bend's axis is on the inner
    // wall, which folds, as no solid of it can be made.
    EXPECT_TRUE(CheckPart(Program(38, {{100, 0, 90, 19.001}, {100, 0, 0, 0}}), nullptr).empty());
    const std::vector<Finding> fold =
        CheckPart(Program(38, {{100, 0, 90, 19}, {100, 0, 0, 0}}), nullptr);
    ASSERT_EQ(fold.size(), 1u);
    EXPECT_EQ(FindingLine(fold[0]), "row 1: fold: bend radius 19 \u2264 tube radius 19: the inner "
                                    "wall folds");
    EXPECT_EQ(fold[0].Limit, 19);
    // Nothing about the machine is looked for: a diameter and radii no bender has.
    EXPECT_TRUE(CheckPart(Program(12, TwoBends), nullptr).empty());
}

// A square loop of 90 degree bends of radius 20 in one plane, tube diameter 10: the last leg
// runs across the first at z = Y3 - 80.
BendProgram Loop(double y3) {
    return Program(10, {{100, 0, 90, 20}, {100, 0, 90, 20}, {y3, 0, 90, 20}, {200, 0, 0, 0}});
}

TEST(Findings, ContactWhereTheLastLegCrossesTheFirstAndNoneAtOnePointZeroOneDiameters) {
    struct Case {
        const char* Name;
        BendProgram Part;
        int Row;
        int OtherRow;
        double Distance; // < 0: no contact
    };
    const Case cases[] = {
        {"crosses", Loop(60), 1, 4, 0},
        {"passes the start at 0.99 D", Loop(89.9), 1, 4, 9.9},
        {"passes the start at 1.01 D", Loop(90.1), 0, 0, -1},
        // A U bend: legs 2R apart, the half turn's far points too.
        {"U at 1.01 D", Program(10, {{100, 0, 180, 5.05}, {100, 0, 0, 0}}), 0, 0, -1},
        {"initial program",
         Program(38, {{30, 0, 90, 45},
                      {30, 90, 90, 45},
                      {30, 90, 90, 45},
                      {30, 90, 90, 45},
                      {30, 0, 0, 45}}),
         0, 0, -1},
    };
    for (const Case& c : cases) {
        const std::vector<Finding> found = CheckContact(c.Part, WalkTube(c.Part));
        if (c.Distance < 0) {
            EXPECT_TRUE(found.empty()) << c.Name << ": " << (found.empty() ? "" : found[0].Message);
            continue;
        }
        ASSERT_EQ(found.size(), 1u) << c.Name;
        EXPECT_EQ(found[0].Rule, FindingRule::Contact);
        EXPECT_EQ(found[0].Row, c.Row) << c.Name;
        EXPECT_EQ(found[0].OtherRow, c.OtherRow) << c.Name;
        EXPECT_NEAR(found[0].Value, c.Distance, 1e-9 * 10) << c.Name;
        EXPECT_EQ(found[0].Limit, 10);
    }
    // The U bent tighter than the tube: its legs 0.99 D apart touch, and the bend folds.
    const BendProgram tight = Program(10, {{100, 0, 180, 4.95}, {100, 0, 0, 0}});
    const std::vector<Finding> found = CheckPart(tight, nullptr);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].Rule, FindingRule::Fold);
    EXPECT_EQ(found[1].Rule, FindingRule::Contact);
    EXPECT_EQ(found[1].OtherRow, 2);
    EXPECT_NEAR(found[1].Value, 9.9, 1e-8);
}

TEST(Findings, MarkTheStraightsAndBendsAtFault) {
    // Bends on rows 3 and 5; rows 1 and 2 run straight into row 3's bend; rows 6 and 7 are the
    // tail. A profile that finds fault with both straights, the tail and row 5's die.
    const BendProgram program = Program(38, {{10, 0, 0, 45},
                                             {10, 0, 0, 45},
                                             {10, 0, 90, 45},
                                             {10, 90, 0, 45},
                                             {10, 0, 90, 50},
                                             {10, 0, 0, 45},
                                             {10, 0, 0, 45}});
    MachineProfile profile;
    profile.ClampLength = 35; // straights of 30 and 20
    profile.MinTail = 25;     // a tail of 20
    profile.Radii = {45};
    const PiecesAtFault at = FindPiecesAtFault(program, CheckPart(program, &profile));
    EXPECT_EQ(at.Straights, (std::vector<bool>{true, true, true, true, true, true, true}));
    EXPECT_EQ(at.Bends, (std::vector<bool>{false, false, false, false, true, false, false}));
    profile.ClampLength = 25;
    const PiecesAtFault clampOnly = FindPiecesAtFault(program, CheckPart(program, &profile));
    EXPECT_EQ(clampOnly.Straights,
              (std::vector<bool>{false, false, false, true, true, true, true}));
}

// What a step of the bending says of its angle: the one to bend to first, labelled.
TEST(Findings, BendToTextGivesTheMachineAngleWithThePartsBesideIt) {
    MachineProfile profile;
    profile.SpringbackFixed = 1.5;
    profile.SpringbackPerDegree = 0.05;
    EXPECT_EQ(MachineAngle(profile, 45, {}), 48.75);
    EXPECT_EQ(BendToText("47.90", "45.00"), "bend to 47.90 (part 45.00)");
}

TEST(MachineProgram, PlaneTurnsRelativeAndAbsoluteWithBothSigns) {
    // A straight row before the first bend, and one that does not bend between the bends.
    const BendProgram program = Program(38, {{20, 45, 0, 0},
                                             {100, 30, 90, 45},
                                             {100, 200, 0, 0},
                                             {100, 100, 45, 45},
                                             {100, -90, 90, 45},
                                             {50, 0, 0, 0}});
    struct Case {
        int Sign;
        MachineProfile::PlaneMode Mode;
        double B[6];
    };
    using Mode = MachineProfile::PlaneMode;
    const Case cases[] = {
        {1, Mode::Relative, {45, 30, -160, 100, -90, 0}},
        {-1, Mode::Relative, {-45, -30, 160, -100, 90, 0}},
        // Summed from the row after the first bend: 200, 300, 210, 210.
        {1, Mode::Absolute, {0, 0, 200, 300, 210, 210}},
        // -200, -300, -210: 160, 60, 150.
        {-1, Mode::Absolute, {0, 0, 160, 60, 150, 150}},
    };
    for (const Case& c : cases) {
        MachineProfile profile;
        profile.BSign = c.Sign;
        profile.BMode = c.Mode;
        const MachineProgram out = MakeMachineProgram(program, profile);
        ASSERT_EQ(out.Rows.size(), 6u);
        for (int i = 0; i < 6; ++i) {
            EXPECT_DOUBLE_EQ(out.Rows[i].B, c.B[i]) << c.Sign << " row " << i + 1;
            EXPECT_FALSE(out.Rows[i].B == 0 && std::signbit(out.Rows[i].B)) << "no -0";
        }
    }
}

TEST(MachineProgram, SpringbackOnBendingRowsAndTheFileForTheMachine) {
    MachineProfile profile;
    profile.Name = "Bender 3\nsecond line";
    profile.SpringbackFixed = 1.5;
    profile.SpringbackPerDegree = 0.05;
    profile.GainPerBend = 0.8;
    const BendProgram program =
        Program(38, {{100, 0, 90, 45}, {50, 0, 0, 45}, {100, 90, 180, 76}, {60, 0, 0, 45}});
    const MachineProgram out = MakeMachineProgram(program, profile);
    const double c[] = {96, 0, 190.5, 0}; // 90 + 1.5 + 4.5; 180 + 1.5 + 9
    for (int i = 0; i < 4; ++i) {
        EXPECT_DOUBLE_EQ(out.Rows[i].C, c[i]) << i;
        EXPECT_EQ(out.Rows[i].Y, program.Steps[i].Y);
        EXPECT_EQ(out.Rows[i].R, program.Steps[i].R);
    }
    EXPECT_NEAR(out.CutLength, 310 + 45 * Pi / 2 + 76 * Pi - 1.6, 1e-9);
    EXPECT_EQ(FormatMachineProgramText(out),
              "# machine: Bender 3 second line\n# cut length: " + FormatNumber(out.CutLength) +
                  "\n# B: relative; C: the machine angle, springback included\n"
                  "# Tubrix bend program\ndiameter,38\nY,B,C,R\n100,0,96,45\n50,0,0,45\n"
                  "100,90,190.5,76\n60,0,0,45\n");
}

} // namespace
