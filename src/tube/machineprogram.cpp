#include "machineprogram.h"

#include "bendrows.h"
#include "findings.h"
#include "programfile.h"

#include <algorithm>
#include <cmath>

namespace tubrix {

namespace {

// An angle in [0, 360), with no negative zero.
double FullTurnPlane(double degrees) {
    double r = std::fmod(degrees, 360.0);
    if (r < 0) {
        r += 360;
    }
    return r >= 360 || r == 0 ? 0.0 : r;
}

// A comment line must stay one line whatever the profile's name holds.
std::string OneLine(const std::string& text) {
    std::string line = text;
    std::replace_if(
        line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }, ' ');
    return line;
}

} // namespace

MachineProgram MakeMachineProgram(const BendProgram& program, const MachineProfile& profile) {
    MachineProgram out;
    out.Machine = profile.Name;
    out.BMode = profile.BMode;
    out.Diameter = program.TubeDiameter;
    out.CutLength = CutLength(program, profile);
    const int count = std::clamp(program.StepCount, 0, MaxBendSteps);
    const BendingRows bending = FindBendingRows(program);
    std::vector<bool> bends(static_cast<std::size_t>(count), false);
    for (const BendingRow& row : bending.Rows) {
        bends[static_cast<std::size_t>(row.Row)] = true;
    }
    const int firstBend = bending.Rows.empty() ? count : bending.Rows.front().Row;
    double plane = 0; // the absolute plane, kept within one turn as it is summed
    for (int i = 0; i < count; ++i) {
        const BendStep& step = program.Steps[i];
        const double turned = step.B * profile.BSign;
        double b = 0;
        if (profile.BMode == MachineProfile::PlaneMode::Relative) {
            b = NormalizedTurn(turned) + 0.0; // + 0.0 makes a -0 plain 0
        } else if (i > firstBend) {
            plane = FullTurnPlane(plane + turned);
            b = plane;
        }
        const double c = bends[static_cast<std::size_t>(i)] ? MachineAngle(step.C, profile) : 0.0;
        out.Rows.push_back({step.Y, b, c, step.R, bends[static_cast<std::size_t>(i)]});
    }
    return out;
}

MachineProgram MachineProgramInUnits(const MachineProgram& program, LengthUnit unit) {
    MachineProgram converted = program;
    converted.Units = unit;
    if (!program.Units || *program.Units == unit) {
        return converted;
    }
    converted.LengthsConverted = true;
    const auto convert = [&](double& length) {
        length = ConvertLength(length, *program.Units, unit);
    };
    convert(converted.Diameter);
    convert(converted.CutLength);
    for (MachineRow& row : converted.Rows) {
        convert(row.Y);
        convert(row.R);
    }
    return converted;
}

Result<void> CheckMachineProgram(const MachineProgram& program) {
    constexpr const char* TooLarge = " of the machine's program is too large for a number";
    Error error;
    if (!std::isfinite(program.CutLength)) {
        error.Message = std::string("the cut length") + TooLarge;
        return error;
    }
    for (std::size_t i = 0; i < program.Rows.size(); ++i) {
        const MachineRow& row = program.Rows[i];
        const double values[] = {row.Y, row.B, row.C, row.R};
        for (int column = 0; column < 4; ++column) {
            if (!std::isfinite(values[column])) {
                error.Row = static_cast<int>(i) + 1;
                error.Field = RowField(column + 1);
                error.Message = std::string("the value") + TooLarge;
                return error;
            }
        }
    }
    return {};
}

ComputedNumbers MachineComputed(const MachineProgram& program) {
    const bool lengths = program.LengthsConverted;
    return {lengths,
            lengths,
            true,
            true,
            lengths,
            program.BMode == MachineProfile::PlaneMode::Relative ? PlaneRange::Relative
                                                                 : PlaneRange::Absolute};
}

ProgramRows MachineRows(const MachineProgram& program) {
    ProgramRows rows;
    rows.Diameter = program.Diameter;
    rows.Units = program.Units;
    for (const MachineRow& row : program.Rows) {
        rows.Rows.push_back({row.Y, row.B, row.C, row.R});
    }
    return rows;
}

std::string FormatMachineProgramText(const MachineProgram& program, std::optional<int> decimals) {
    const ProgramRows rows = MachineRows(program);
    const std::string mode =
        program.BMode == MachineProfile::PlaneMode::Relative ? "relative" : "absolute";
    return "# machine: " + (program.Machine ? OneLine(*program.Machine) : "(no name)") +
           "\n# cut length: " + FormatNumber(SnapCadNumber(program.CutLength), decimals) +
           "\n# B: " + mode + "; C: the machine angle, springback included\n" +
           FormatProgramText(rows, decimals, {}, MachineComputed(program));
}

} // namespace tubrix
