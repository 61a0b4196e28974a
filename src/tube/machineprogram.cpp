#include "machineprogram.h"

#include "bendrows.h"
#include "findings.h"
#include "programfile.h"
#include "springback.h"
#include "tubetextreader.h"

#include <algorithm>
#include <cmath>

namespace tubrix {

namespace {

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
            plane = FullTurn(plane + turned);
            b = plane;
        }
        const double c = bends[static_cast<std::size_t>(i)]
                             ? MachineAngle(profile, step.C, {step.R, program.TubeDiameter})
                             : 0.0;
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

namespace {

const char* const MachineHeader[] = {"Y", "B", "C", "R"};

} // namespace

Result<MachineProgram> ParseMachineProgramText(std::string_view text, const std::string& file,
                                               const MachineProfile& profile) {
    if (Result<void> checked = CheckText(text, file); !checked) {
        return checked.Failure();
    }
    const Result<std::optional<LengthUnit>> units = ReadUnitsLine(text, file);
    if (!units) {
        return units.Failure();
    }
    TubeTextReader reader(text, file);
    const Result<double> diameter = reader.ReadDiameter();
    if (!diameter) {
        return diameter.Failure();
    }
    MachineProgram program;
    program.Units = *units;
    program.Machine = profile.Name;
    program.BMode = profile.BMode;
    program.Diameter = *diameter;
    bool first = true;
    std::vector<int> lines;
    while (reader.NextRow()) {
        if (std::exchange(first, false) && IsHeader(reader.Cells(), MachineHeader)) {
            continue;
        }
        if (program.Rows.size() == MaxBendSteps) {
            return reader.Fail(1, "more than " + std::to_string(MaxBendSteps) + " rows");
        }
        if (reader.Cells().size() != 4) {
            return reader.Fail(std::min<int>(static_cast<int>(reader.Cells().size()) + 1, 5),
                               "expected 4 numbers Y,B,C,R, found " +
                                   std::to_string(reader.Cells().size()));
        }
        double values[4] = {};
        for (int column = 1; column <= 4; ++column) {
            const Result<double> value = reader.Number(column, MachineHeader[column - 1]);
            if (!value) {
                return value.Failure();
            }
            values[column - 1] = *value;
        }
        const MachineRow row{values[0], values[1], values[2], values[3]};
        if (row.Y < 0) {
            return reader.Fail(1, "Y, the feed, must be 0 or more");
        }
        const bool relative = profile.BMode == MachineProfile::PlaneMode::Relative;
        if (relative ? !(row.B > -180 && row.B <= 180) : !(row.B >= 0 && row.B < 360)) {
            return reader.Fail(2, relative
                                      ? "B, a relative plane turn, must be above -180 and at "
                                        "most 180"
                                      : "B, an absolute plane, must be 0 or more and below 360");
        }
        if (!(row.C >= 0 && row.C <= profile.MaxAngle)) {
            return reader.Fail(3, "C, the machine angle, must be from 0 to max_angle, " +
                                      FormatNumber(profile.MaxAngle));
        }
        if (row.C > 0 && !(row.R > 0)) {
            return reader.Fail(4, "R must be greater than 0 where the row bends");
        }
        program.Rows.push_back(row);
    }
    if (program.Rows.empty()) {
        return reader.FailAt(0, 0, "no rows: a machine program has at least one");
    }
    return program;
}

} // namespace tubrix
