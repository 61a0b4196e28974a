#pragma once

#include <cstdint>
#include <span>

// The one record that the input side and the viewer share. Both copies are plain values that
// meet only by whole-record assignment (main window to viewer).

inline constexpr int MaxBendSteps = 100;

// pi as the developed length and the builder's split use it: the double nearest to pi.
inline constexpr double BendPi = 3.141592653589793;
// 1/360 is held in extended precision, so the arc term is R * 2 * pi * (1/360) * C evaluated
// left to right with the last two products widened to long double.
inline constexpr long double InvDegreesPerTurn = 1.0L / 360.0L;

struct BendStep {
    double Y;         // straight length
    double B;         // turn of the bending plane about the tube's axis, degrees
    double C;         // bend angle, degrees
    double R;         // bend radius (centre line)
    double ArcLength; // developed bend length, used instead of C when ArcMode is set
    double ArcRadius; // bend radius, used instead of R when ArcMode is set
    std::uint8_t ArcMode;
};

struct BendProgram {
    double TubeDiameter;
    double TotalLength;
    std::int32_t SquareSection;
    std::int32_t StepCount;
    BendStep Steps[MaxBendSteps];
};

namespace tubrix {

// The four numbers of one grid row, as the main window parsed them.
struct BendRowInput {
    double Y;
    double B;
    double C;
    double R;
};

inline constexpr int InputRowCount = 5;

// Arc term of one row in angle mode: R * 2 * pi * (1/360) * C, left to right, the last two
// products in extended precision. Returned wide so callers can keep summing without rounding.
long double ArcTerm(const BendStep& step);

// The bend at the end of a row as the builder places it. In angle mode the radius is R and the
// angle C, always placed, drawn only when C is above 0. In arc mode the radius is ArcRadius and
// the angle ArcLength / ArcRadius in degrees (1/pi in extended precision), placed and drawn
// only when both are above 0.
struct BendPlacement {
    double Radius;
    double Degrees;
    bool Placed; // the frame moves to the centre, turns by the angle and moves back out
    bool Drawn;
};
BendPlacement PlaceBend(const BendStep& step);

// The other hand of the part: the plane turn B of every row in use negated (a B of 0 stays 0,
// not -0), the rest as it is. The builder's Mirror flag draws the same part from the record as
// it was.
void MirrorBendProgram(BendProgram& program);

// Fills the record from any number of rows (at most MaxBendSteps; more are not read): diameter,
// StepCount, the rows' Y, B, C, R and the developed length over those rows, by the same sum as
// "Make 3D". Rows past those given, the arc-mode fields and SquareSection are left as they are.
void FillBendProgram(BendProgram& program, double tubeDiameter, std::span<const BendRowInput> rows);

// Fills the record the way "Make 3D" does: diameter, five rows of Y, B, C, R and the developed
// length. Rows 5 and up, the arc-mode fields and SquareSection are left as they are.
void FillBendProgram(BendProgram& program, double tubeDiameter,
                     const BendRowInput (&rows)[InputRowCount]);

} // namespace tubrix
