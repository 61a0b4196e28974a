#pragma once

#include "bendprogram.h"

#include <vector>

namespace tubrix {

// A bend program as a file, the window's fields and the clipboard hold it: the diameter and 1
// to MaxBendSteps rows of Y, B, C, R.
struct ProgramRows {
    double Diameter = 0;
    std::vector<BendRowInput> Rows;
};

} // namespace tubrix
