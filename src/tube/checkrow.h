#pragma once

#include "bendprogram.h"
#include "error.h"
#include "programrows.h"

// The limits a bend program keeps: what a program file refuses, what the window marks as the
// operator types, and what decides whether a program can be bent, played on the machine or
// printed. One set of rules, so a field the window lets through is one a file takes.

namespace tubrix {

// The limits on one row, checked left to right: Y 0 or more, C from 0 to 180 degrees, R above 0
// where the row bends. The error names the field; its row is the caller's to set.
Result<void> CheckRow(const BendRowInput& row);

// The last row bends nowhere: the tube ends with its last straight.
Result<void> CheckLastRow(const BendRowInput& row);

Result<void> CheckDiameter(double diameter);

// The rules above over the record's rows in use: the diameter, every row and the last row. The
// error names the first row (from 1) and field that breaks one.
Result<void> CheckRules(const BendProgram& program);

// Whether a program can be used (bent, played on the machine, printed, written rounded): the
// rules, and a developed length that is a number. The error names the first row (from 1) and
// field that stops it; a record of no rows has nothing to use.
Result<void> CheckUsable(const ProgramRows& program);
Result<void> CheckUsable(const BendProgram& program);

} // namespace tubrix
