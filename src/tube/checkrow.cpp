#include "checkrow.h"

#include "tubewalk.h"

#include <algorithm>
#include <cmath>
#include <span>
#include <utility>

namespace tubrix {

namespace {

Error Fault(ProgramField field, std::string message) {
    Error error;
    error.Field = field;
    error.Message = std::move(message);
    return error;
}

Result<void> CheckRows(double diameter, std::span<const BendRowInput> rows) {
    if (Result<void> checked = CheckDiameter(diameter); !checked) {
        return checked;
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
        Result<void> checked = CheckRow(rows[i]);
        if (checked && i + 1 == rows.size()) {
            checked = CheckLastRow(rows[i]);
        }
        if (!checked) {
            Error error = checked.Failure();
            error.Row = static_cast<int>(i) + 1;
            return error;
        }
    }
    return {};
}

} // namespace

// Written as "not inside" so that a NaN, which no reader gives today, is refused too.

Result<void> CheckRow(const BendRowInput& row) {
    if (!(row.Y >= 0)) {
        return Fault(ProgramField::Y, "Y, the straight length, must be 0 or more");
    }
    if (!(row.C >= 0 && row.C <= 180)) {
        return Fault(ProgramField::C, "C, the bend angle, must be from 0 to 180 degrees");
    }
    if (row.C > 0 && !(row.R > 0)) {
        return Fault(ProgramField::R,
                     "R, the bend radius, must be greater than 0 on a row that bends");
    }
    return {};
}

Result<void> CheckLastRow(const BendRowInput& row) {
    if (row.C != 0) {
        return Fault(ProgramField::C,
                     "the last row's C must be 0: the tube ends with its last straight (a "
                     "program that ends in a bend gives a last row 0,0,0,R)");
    }
    return {};
}

Result<void> CheckDiameter(double diameter) {
    if (!(diameter > 0)) {
        return Fault(ProgramField::Diameter, "the diameter must be greater than 0");
    }
    return {};
}

Result<void> CheckUsable(const ProgramRows& program) {
    if (Result<void> checked = CheckRows(program.Diameter, program.Rows); !checked) {
        return checked;
    }
    BendProgram record{};
    FillBendProgram(record, program.Diameter, program.Rows);
    if (!std::isfinite(DevelopedLength(record))) {
        return Fault(ProgramField::None, "the tube's length overflows");
    }
    return {};
}

Result<void> CheckRules(const BendProgram& program) {
    std::vector<BendRowInput> rows;
    for (int i = 0; i < std::clamp(program.StepCount, 0, MaxBendSteps); ++i) {
        const BendStep& step = program.Steps[i];
        rows.push_back({step.Y, step.B, step.C, step.R});
    }
    return CheckRows(program.TubeDiameter, rows);
}

Result<void> CheckUsable(const BendProgram& program) {
    if (program.StepCount < 1) {
        return Fault(ProgramField::None, "the program has no rows");
    }
    if (Result<void> checked = CheckRules(program); !checked) {
        return checked;
    }
    if (!std::isfinite(DevelopedLength(program))) {
        return Fault(ProgramField::None, "the tube's length overflows");
    }
    return {};
}

} // namespace tubrix
