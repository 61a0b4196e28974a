#pragma once

#include "bendprogram.h"

#include <optional>
#include <string>

// The limits a bend program keeps: what a program file refuses, and what the window marks as
// the operator types. One set of rules, so a field the window lets through is one a file takes.

// A value a program cannot hold: the 1-based column (1 Y, 2 B, 3 C, 4 R; 0 for the diameter)
// and why.
struct RowFault {
    int Column = 0;
    std::string Message;
};

// The limits on one row, checked left to right: Y 0 or more, C from 0 to 180 degrees, R above 0
// where the row bends.
std::optional<RowFault> CheckRow(const BendRowInput& row);

// The last row bends nowhere: the tube ends with its last straight.
std::optional<RowFault> CheckLastRow(const BendRowInput& row);

std::optional<RowFault> CheckDiameter(double diameter);
