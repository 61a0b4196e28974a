#include "bendprogram.h"

long double ArcTerm(const BendStep& step) {
    return step.R * 2 * BendPi * InvDegreesPerTurn * step.C;
}

void FillBendProgram(BendProgram& program, double tubeDiameter,
                     const BendRowInput (&rows)[InputRowCount]) {
    program.TubeDiameter = tubeDiameter;
    program.StepCount = InputRowCount;
    for (int i = 0; i < InputRowCount; ++i) {
        BendStep& step = program.Steps[i];
        step.Y = rows[i].Y;
        step.B = rows[i].B;
        step.C = rows[i].C;
        step.R = rows[i].R;
    }
    // Every row's arc counts, the last one's too although its bend is never drawn, and always
    // from C and R whatever ArcMode holds: the developed length is what the operator typed.
    program.TotalLength = 0;
    for (int i = 0; i < InputRowCount; ++i) {
        const BendStep& step = program.Steps[i];
        program.TotalLength = static_cast<double>(ArcTerm(step) + step.Y + program.TotalLength);
    }
}
