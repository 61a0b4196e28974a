#include "bendprogram.h"

#include <algorithm>

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
