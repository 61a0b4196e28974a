#include "bendprogram.h"
#include "bendrows.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace tubrix;

namespace {

// The main window's initial grid: Y/B/C/R per row.
constexpr BendRowInput InitialRows[InputRowCount] = {
    {30, 0, 90, 45}, {30, 90, 90, 45}, {30, 90, 90, 45}, {30, 90, 90, 45}, {30, 0, 0, 45}};

TEST(BendProgramFill, InitialValuesGiveTheDevelopedLength) {
    BendProgram program{};
    FillBendProgram(program, 38, InitialRows);
    EXPECT_EQ(program.TubeDiameter, 38);
    EXPECT_EQ(program.StepCount, 5);
    // Four quarter bends of radius 45 and five straights of 30: 150 + 4 * 45 * pi / 2.
    EXPECT_NEAR(program.TotalLength, 150 + 90 * std::numbers::pi, 1e-9);
    EXPECT_NEAR(program.TotalLength, 432.7433, 5e-5);
    for (int i = 0; i < InputRowCount; ++i) {
        EXPECT_EQ(program.Steps[i].Y, InitialRows[i].Y);
        EXPECT_EQ(program.Steps[i].B, InitialRows[i].B);
        EXPECT_EQ(program.Steps[i].C, InitialRows[i].C);
        EXPECT_EQ(program.Steps[i].R, InitialRows[i].R);
    }
}

TEST(BendProgramFill, TheLastRowsArcCountsAlthoughItIsNeverDrawn) {
    BendRowInput rows[InputRowCount];
    std::copy(std::begin(InitialRows), std::end(InitialRows), rows);
    rows[4].C = 60;
    BendProgram program{};
    FillBendProgram(program, 38, rows);
    // 45 * 2 * pi * 60 / 360 = 15 pi more than the initial values.
    EXPECT_NEAR(program.TotalLength, 150 + 105 * std::numbers::pi, 1e-9);
}

TEST(BendProgramFill, MatchesTheLeftToRightSumInExtendedPrecision) {
    // Values whose sum rounds differently in double and in extended precision.
    const BendRowInput rows[InputRowCount] = {{0.1, 0, 33.3, 7.7},
                                              {1e-3, 5, 17.1, 0.3},
                                              {123456.789, 0, 1e-3, 1e5},
                                              {0.7, 0, 359.9, 2.2},
                                              {3.3, 0, 1.1, 9.9}};
    BendProgram program{};
    FillBendProgram(program, 1, rows);
    long double expected = 0;
    for (const BendRowInput& row : rows) {
        const double twoPiR = row.R * 2 * 3.141592653589793;
        expected = static_cast<double>(twoPiR * (1.0L / 360.0L) * row.C + row.Y + expected);
    }
    EXPECT_EQ(program.TotalLength, static_cast<double>(expected));
}

TEST(BendProgramFill, LeavesUnusedRowsArcFieldsAndSectionAlone) {
    BendProgram program{};
    program.SquareSection = 7;
    program.Steps[0].ArcMode = 1;
    program.Steps[0].ArcLength = 12;
    program.Steps[0].ArcRadius = 3;
    program.Steps[5].Y = 99;
    program.Steps[99].R = 98;
    FillBendProgram(program, 38, InitialRows);
    EXPECT_EQ(program.SquareSection, 7);
    EXPECT_EQ(program.Steps[0].ArcMode, 1);
    EXPECT_EQ(program.Steps[0].ArcLength, 12);
    EXPECT_EQ(program.Steps[0].ArcRadius, 3);
    EXPECT_EQ(program.Steps[5].Y, 99);
    EXPECT_EQ(program.Steps[99].R, 98);
    // Arc mode does not change how the developed length is summed: always from C and R.
    EXPECT_NEAR(program.TotalLength, 150 + 90 * std::numbers::pi, 1e-9);
}

TEST(BendProgramFill, HostileValuesAreStoredAsTheyAre) {
    const double nan = std::nan("");
    const double inf = HUGE_VAL;
    const BendRowInput rows[InputRowCount] = {
        {1e308, 0, 1e308, 1e308}, {-1e308, 0, 0, 0}, {nan, 0, 0, 0}, {inf, 0, 0, 0}, {0, 0, 0, 0}};
    BendProgram program{};
    FillBendProgram(program, -1e308, rows);
    EXPECT_EQ(program.TubeDiameter, -1e308);
    EXPECT_EQ(program.Steps[0].Y, 1e308);
    EXPECT_TRUE(std::isnan(program.Steps[2].Y));
    EXPECT_TRUE(std::isnan(program.TotalLength));
}

} // namespace

TEST(BendingRows, StraightsRunOnThroughUnbentRowsAndTheLastRowNeverBends) {
    // Row 2 does not bend, so its Y and B carry on to the bend of row 3; the last row's C is
    // never bent, so rows 4 and 5 are the tail.
    const BendRowInput rows[InputRowCount] = {
        {10, 5, 90, 45}, {20, 30, 0, 45}, {40, 100, 45, 45}, {7, 200, 0, 1}, {8, 0, 30, 1}};
    BendProgram program{};
    FillBendProgram(program, 38, rows);
    const BendingRows bending = FindBendingRows(program);
    ASSERT_EQ(bending.Rows.size(), 2u);
    EXPECT_EQ(bending.Rows[0].Row, 0);
    EXPECT_EQ(bending.Rows[0].StraightBefore, 10);
    EXPECT_EQ(bending.Rows[0].Turn, 5);
    EXPECT_EQ(bending.Rows[1].Row, 2);
    EXPECT_EQ(bending.Rows[1].StraightBefore, 60);
    EXPECT_EQ(bending.Rows[1].Turn, 130);
    EXPECT_EQ(bending.Tail, 15);
}

TEST(BendingRows, TurnsAreBroughtIntoTheHalfOpenHalfTurn) {
    const double cases[][2] = {{0, 0},      {180, 180}, {-180, 180}, {190, -170},
                               {-190, 170}, {540, 180}, {-540, 180}, {359.5, -0.5}};
    for (const auto& c : cases) {
        EXPECT_EQ(NormalizedTurn(c[0]), c[1]) << c[0];
    }
}
