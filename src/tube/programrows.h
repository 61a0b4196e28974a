#pragma once

#include "bendprogram.h"
#include "units.h"

#include <optional>

#include <vector>

namespace tubrix {

// A bend program as a file, the window's fields and the clipboard hold it: the diameter and 1
// to MaxBendSteps rows of Y, B, C, R.
struct ProgramRows {
    double Diameter = 0;
    std::vector<BendRowInput> Rows;
    std::optional<LengthUnit> Units{}; // what its lengths are in, where the file says
    std::optional<double> Wall{};      // a hollow tube's wall, in the same unit, where known
};

} // namespace tubrix
