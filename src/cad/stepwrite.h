#pragma once

#include "tubepieces.h"

#include <TopoDS_Shape.hxx>

#include <string>
#include <vector>

namespace tubrix {

// The exact solid of a tube whose centre-line pieces run in order from the lead end: a circle
// (a ring, with a bore) swept along the lines and arcs, which makes cylinders and tori, with
// plane caps at the ends. Every piece has the first piece's radii.
Result<TopoDS_Shape> BuildTubeSolid(const std::vector<TubePiece>& pieces);

// The unit a STEP file is written in, as its length in millimetres and its name for Open
// CASCADE's write.step.unit.
struct StepUnit {
    double Millimetres = 1;
    const char* Name = "MM";
};
inline constexpr StepUnit Inches{25.4, "INCH"};

// Writes the shape as a STEP file (AP214), lengths in `unit`; the shape's own lengths are mm.
Result<void> WriteStepFile(const TopoDS_Shape& shape, const std::string& path,
                           StepUnit unit = StepUnit());

} // namespace tubrix
