#include "bendrows.h"

#include "programfile.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace tubrix {

BendingRows FindBendingRows(const BendProgram& program) {
    BendingRows result;
    const int count = std::clamp(program.StepCount, 0, MaxBendSteps);
    double straight = 0;
    double turn = 0;
    for (int i = 0; i < count; ++i) {
        const BendStep& step = program.Steps[i];
        straight += step.Y;
        turn += step.B;
        if (i + 1 < count && step.C > 0) {
            result.Rows.push_back({i, straight, turn});
            straight = 0;
            turn = 0;
        }
    }
    result.Tail = straight;
    return result;
}

double NormalizedTurn(double degrees) {
    if (!std::isfinite(degrees)) {
        return degrees;
    }
    double r = std::fmod(degrees, 360.0); // (-360, 360), exact
    if (r <= -180) {
        r += 360;
    } else if (r > 180) {
        r -= 360;
    }
    return r;
}

double FullTurn(double degrees) {
    double r = std::fmod(degrees, 360.0);
    if (r < 0) {
        r += 360;
    }
    return r >= 360 || r == 0 ? 0.0 : r;
}

BendingRows BendingRowsOf(const ProgramRows& rows) {
    const auto program = std::make_unique<BendProgram>(ProgramFromRows(rows));
    return FindBendingRows(*program);
}

} // namespace tubrix
