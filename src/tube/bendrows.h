#pragma once

#include "bendprogram.h"
#include "programrows.h"

#include <vector>

namespace tubrix {

// The rows the bender bends and the straights it feeds between them. A bending row is a row
// before the last whose C is above 0; rows with C = 0 continue the straight.
struct BendingRow {
    int Row = 0;               // index into the program's rows, from 0
    double StraightBefore = 0; // Y summed over the rows after the previous bending row, to here
    double Turn = 0;           // B summed over the same rows: the plane turn before this bend
};

struct BendingRows {
    std::vector<BendingRow> Rows;
    double Tail = 0; // Y summed over the rows after the last bending row
};

BendingRows FindBendingRows(const BendProgram& program);
// The same, of a program's rows.
BendingRows BendingRowsOf(const ProgramRows& rows);

// An angle in degrees brought into (-180, 180], as a bender turns the shorter way.
double NormalizedTurn(double degrees);

// An angle in degrees brought into [0, 360), with no negative zero: an absolute plane.
double FullTurn(double degrees);

} // namespace tubrix
