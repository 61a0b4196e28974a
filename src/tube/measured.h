#pragma once

#include "centreline.h"
#include "error.h"
#include "machineprofile.h"
#include "machineprogram.h"
#include "programrows.h"
#include "tubewalk.h"

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// A part as it came off the machine, against the program it was bent from: the rigid motion
// that lays one on the other, how far each point and each bend is off, how far the measured
// centre line strays from the nominal one, and what to give the machine next time. Pure
// functions of the two parts, in closed form or by bounded searches.

namespace tubrix {

// p -> Rotation p + Translation; Rotation by rows, proper (determinant +1).
struct RigidMotion {
    std::array<std::array<double, 3>, 3> Rotation{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
    Vec3 Translation;

    Vec3 Apply(Vec3 p) const;
    // The same motion as the walk's column-major frame, to move pieces with.
    WalkFrame Frame() const;
};

// The rigid motion (no scaling, no reflection) that minimises the sum of squared distances
// from the moved `from` points to the `onto` points, by the SVD of their cross-covariance.
// Fails when there are fewer than three pairs or either set lies in one line: then many motions
// fit alike.
Result<RigidMotion> BestRigidMotion(std::span<const Vec3> from, std::span<const Vec3> onto);

// The root mean square of the distances from the moved `from` points to the `onto` points.
double RmsDistance(const RigidMotion& motion, std::span<const Vec3> from,
                   std::span<const Vec3> onto);

// A measured part: its points (the start, the intersection point of every bend, the end) in
// the coordinates it was measured in, and the program that bends it.
struct MeasuredPart {
    std::vector<Vec3> Points;
    ProgramRows Rows;
    bool FromPoints = false;               // a points file, rather than a program
    std::optional<LengthUnit> FileUnits{}; // what its file's units line says
};

// Reads a measured file, a points file (X,Y,Z[,R]; a point without R takes the nominal bend's
// radius, a file without a diameter line the nominal's diameter) or a program, for the nominal
// program given. Its points, or bending rows, must match the nominal's one for one: otherwise
// the error names both counts.
// The part comes back in the nominal's units: where both say theirs and they differ, the
// nominal's radii and diameter are taken in the measured file's unit for what it leaves out,
// and what it holds is then converted (its diameter line agreeing to 1e-4 of the diameter, as
// a length written in the other unit rounds); where only one says, it holds for both.
Result<MeasuredPart> ParseMeasuredText(std::string_view text, const std::string& file,
                                       const ProgramRows& nominal);

enum class Alignment { Best, None };

struct PointDeviation {
    Vec3 Offset; // aligned measured - nominal
    double Length = 0;
};

// One bending row, measured - nominal, as the machine sees it: the straight fed since the
// previous bending row, the plane turn since then ((-180, 180], 0 at the first bend, whose
// plane is the reference), the angle and the radius.
struct BendDelta {
    int Row = 0; // the nominal program's row, from 1
    double DY = 0;
    double DB = 0;
    double DC = 0;
    double DR = 0;
};

// How far one piece of the measured centre line strays from the nominal centre line.
struct PieceDeviation {
    PieceKind Kind = PieceKind::Straight;
    int Row = 0;         // the measured program's row, from 0
    int BendingRow = -1; // which bending row's straight or arc it is (-1: the tail)
    double Value = 0;
};

struct SheathDeviation {
    double Value = 0;
    int Row = 0; // the measured program's row, from 1, holding the farthest point
    std::vector<PieceDeviation> Pieces;
};

// The largest distance from a point of `measured` to the nominal centre line, within
// `precision`: the pieces are halved where the bounds from their geometry (a straight's
// distance to a straight is convex along it; an arc lies within its sagitta of its chord)
// cannot yet rule out more, and each piece's largest is kept.
SheathDeviation LargestDeviation(std::span<const Piece> measured, std::span<const Piece> nominal,
                                 double precision);

// The verdict in one line, two decimals: "Sheath 1.32 > 1.00 at row 4 — fails".
std::string SheathVerdict(const SheathDeviation& sheath, double tolerance);

struct Comparison {
    RigidMotion Motion; // measured -> nominal
    double Rms = 0;
    std::vector<PointDeviation> Points;
    std::vector<BendDelta> Bends;
    double TailDY = 0;
    SheathDeviation Sheath;
    bool OtherHand = false;
    // The measured centre line, aligned: to draw it over the nominal tube.
    std::vector<Piece> MeasuredPieces;
};

// Compares a measured part with its nominal program. With Alignment::Best the measured part is
// moved onto the nominal one by BestRigidMotion; with None both are taken as they stand (the
// nominal in its walk's frame). The sheath deviation is exact to 1e-6 of the diameter.
Result<Comparison> CompareMeasured(const ProgramRows& nominal, const MeasuredPart& measured,
                                   Alignment alignment);

// The machine program for the next part: `used` (what bent the measured part) with every
// bending row's angle, plane turn and feed moved by what the part came out off, in the
// machine's own convention (b_sign, b_mode), and the tail likewise. Fails, naming the row, when
// a corrected value leaves what the machine takes (a feed below 0, an angle past max_angle).
Result<MachineProgram> CorrectMachineProgram(const MachineProgram& used, const ProgramRows& nominal,
                                             const ProgramRows& measured,
                                             const MachineProfile& profile);

// Reads a machine program as MakeMachineProgram and FormatMachineProgramText write it: comment
// lines (a units line among them says its Units), the diameter, rows of Y, B, C, R with C the
// machine angle (0 up to max_angle) and B in the profile's mode.
Result<MachineProgram> ParseMachineProgramText(std::string_view text, const std::string& file,
                                               const MachineProfile& profile);

// The measured angle and the machine angle it was bent with, of one bending row.
struct BentAngle {
    double Measured = 0;
    double Machine = 0;
};

// The bending rows of a measured part paired with the machine program that bent it: the
// counts must agree.
Result<std::vector<BentAngle>> PairBentAngles(const MachineProgram& used,
                                              const ProgramRows& measured);

// machine = C + fixed + per_degree * C, by least squares over the angles.
struct SpringbackFit {
    double Fixed = 0;
    double PerDegree = 0;
    std::vector<double> Residuals; // machine - (C + fixed + per_degree * C)
    double Rms = 0;
};
// Fails with fewer than two measured angles more than 1e-9 degrees apart.
Result<SpringbackFit> FitSpringback(std::span<const BentAngle> angles);

// The profile's text with springback.fixed and springback.per_degree set to these values and
// every other byte kept: a value is replaced where it stands, a missing key is added to its
// table, a missing table at the end. Fails when the profile cannot be edited so (an inline
// table) or the reader would refuse the result.
Result<std::string> SetSpringback(std::string_view profile, const std::string& file, double fixed,
                                  double perDegree);

} // namespace tubrix
