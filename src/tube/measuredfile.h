#pragma once

#include "error.h"
#include "programrows.h"
#include "tubewalk.h"
#include "units.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A measured part as its file gives it: points from a measuring arm, or the program a
// measuring machine reports, in the nominal's units.

namespace tubrix {

// A measured part: its points (the start, the intersection point of every bend, the end) in
// the coordinates it was measured in, and the program that bends it.
struct MeasuredPart {
    std::vector<Vec3> Points;
    ProgramRows Rows;
    bool FromPoints = false;               // a points file, rather than a program
    std::optional<LengthUnit> FileUnits{}; // what its file's units line says
    // Each point's bend radius as its file gave it (a program gives every bend's), so that the
    // part can be read again from its other end.
    std::vector<std::optional<double>> GivenRadii;
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

// The points a part of these rows is measured at: its start, the intersection point of every
// bend, its end.
Result<std::vector<Vec3>> WalkPoints(const ProgramRows& rows);

// The error for a nominal program whose bend of 180 degrees (the walk's error) has no point to
// compare with.
Error NoPoint(const Error& walkError);

} // namespace tubrix
