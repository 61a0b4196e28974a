#pragma once

#include "bendprogram.h"
#include "error.h"
#include "machineprofile.h"
#include "programfile.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tubrix {

// The program a machine is given: each row's Y as it is, B as the machine counts the plane
// turn, C as the machine bends it (springback included), R as it is.
struct MachineRow {
    double Y = 0;
    double B = 0;
    double C = 0;
    double R = 0;
    bool Bending = false; // the machine bends on this row
};

struct MachineProgram {
    std::optional<std::string> Machine; // the profile's name
    MachineProfile::PlaneMode BMode = MachineProfile::PlaneMode::Relative;
    double Diameter = 0;
    double CutLength = 0;
    std::vector<MachineRow> Rows;
    std::optional<LengthUnit> Units{}; // what its lengths are in, where known
    bool LengthsConverted = false;     // Tubrix computed its lengths in another unit
};

// Which numbers of a machine's program Tubrix computed, for its writers to snap (the plane and
// the angle always; the lengths where they were converted) and the range its planes are in.
ComputedNumbers MachineComputed(const MachineProgram& program);
// Its diameter, rows and units as a program's rows.
ProgramRows MachineRows(const MachineProgram& program);

// B turned by b_sign; in relative mode brought into (-180, 180]; in absolute mode the plane
// measured from the first bending row's plane: the running sum of the turned B over the rows
// after that row, in [0, 360), and 0 up to and on that row. C is the machine angle on bending
// rows, else 0.
MachineProgram MakeMachineProgram(const BendProgram& program, const MachineProfile& profile);

// The machine's program with its lengths (diameter, Y, R, the cut length) in `unit`; a program
// that does not say its units is only labelled.
MachineProgram MachineProgramInUnits(const MachineProgram& program, LengthUnit unit);

// Fails when a number of the machine's program is too large for a double (a machine angle or
// the cut length that overflowed), naming its row and field: a machine is never handed "inf".
Result<void> CheckMachineProgram(const MachineProgram& program);

// The program file's format, after comment lines naming the machine and the cut length. Its C
// may pass 180: it is for the machine, not for reading back.
std::string FormatMachineProgramText(const MachineProgram& program,
                                     std::optional<int> decimals = std::nullopt);

// Reads a machine program as MakeMachineProgram and FormatMachineProgramText write it: comment
// lines (a units line among them says its Units), the diameter, rows of Y, B, C, R with C the
// machine angle (0 up to max_angle) and B in the profile's mode.
Result<MachineProgram> ParseMachineProgramText(std::string_view text, const std::string& file,
                                               const MachineProfile& profile);

} // namespace tubrix
