#include "bendprogram.h"

#include <algorithm>
#include <numbers>

namespace tubrix {

BendPlacement PlaceBend(const BendStep& step) {
    if (step.ArcMode == 0) {
        return {step.R, step.C, true, step.C > 0};
    }
    constexpr long double InvPi = 1.0L / std::numbers::pi_v<long double>;
    // Only a valid arc has an angle; the quotient is not formed for a zero radius.
    const bool valid = step.ArcRadius > 0 && step.ArcLength > 0;
    const double degrees =
        valid ? static_cast<double>(step.ArcLength / step.ArcRadius * 180 * InvPi) : 0.0;
    return {step.ArcRadius, degrees, valid, valid};
}

long double ArcTerm(const BendStep& step) {
    return step.R * 2 * BendPi * InvDegreesPerTurn * step.C;
}

void FillBendProgram(BendProgram& program, double tubeDiameter,
                     std::span<const BendRowInput> rows) {
    const int count = static_cast<int>(std::min<std::size_t>(rows.size(), MaxBendSteps));
    program.TubeDiameter = tubeDiameter;
    program.StepCount = count;
    for (int i = 0; i < count; ++i) {
        BendStep& step = program.Steps[i];
        step.Y = rows[i].Y;
        step.B = rows[i].B;
        step.C = rows[i].C;
        step.R = rows[i].R;
    }
    // Every row's arc counts, the last one's too although its bend is never drawn, and always
    // from C and R whatever ArcMode holds: the developed length is what the operator typed.
    program.TotalLength = 0;
    for (int i = 0; i < count; ++i) {
        const BendStep& step = program.Steps[i];
        program.TotalLength = static_cast<double>(ArcTerm(step) + step.Y + program.TotalLength);
    }
}

void FillBendProgram(BendProgram& program, double tubeDiameter,
                     const BendRowInput (&rows)[InputRowCount]) {
    FillBendProgram(program, tubeDiameter, std::span<const BendRowInput>(rows));
}

void MirrorBendProgram(BendProgram& program) {
    const std::int32_t rows = std::clamp(program.StepCount, 0, MaxBendSteps);
    for (std::int32_t j = 0; j < rows; ++j) {
        program.Steps[j].B = 0.0 - program.Steps[j].B;
    }
}

} // namespace tubrix
