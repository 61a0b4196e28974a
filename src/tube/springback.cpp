#include "springback.h"

#include "numbertext.h"

#include <cmath>

namespace tubrix {

double MachineAngle(const MachineProfile& profile, double c, const BentTube&) {
    return c + profile.SpringbackFixed + profile.SpringbackPerDegree * c;
}

double PartAngle(const MachineProfile& profile, double machine, const BentTube&) {
    // per_degree is at most 0.5 in size, so 1 + per_degree is never 0.
    return (machine - profile.SpringbackFixed) / (1 + profile.SpringbackPerDegree);
}

Result<SpringbackFit> FitSpringback(std::span<const BentAngle> angles) {
    // machine - C = fixed + per_degree C: a straight line through (C, machine - C), fitted
    // about the angles' mean so that it stays well conditioned.
    double mean = 0, excessMean = 0;
    for (const BentAngle& angle : angles) {
        mean += angle.Measured;
        excessMean += angle.Machine - angle.Measured;
    }
    const auto n = static_cast<double>(angles.size());
    if (angles.empty() || !std::isfinite(mean) || !std::isfinite(excessMean)) {
        return Failed("no bent angles to fit the springback to");
    }
    mean /= n;
    excessMean /= n;
    double spread = 0, covariance = 0, lowest = angles[0].Measured, highest = lowest;
    for (const BentAngle& angle : angles) {
        const double d = angle.Measured - mean;
        spread += d * d;
        covariance += d * (angle.Machine - angle.Measured - excessMean);
        lowest = std::min(lowest, angle.Measured);
        highest = std::max(highest, angle.Measured);
    }
    if (!(highest - lowest > 1e-9)) {
        return Failed("the springback needs bends of at least two angles more than 1e-9 degrees "
                      "apart; all these were bent to " +
                      FormatNumber(lowest));
    }
    const double perDegree = covariance / spread;
    return SpringbackWith(angles, excessMean - perDegree * mean, perDegree);
}

SpringbackFit SpringbackWith(std::span<const BentAngle> angles, double fixed, double perDegree) {
    SpringbackFit fit;
    fit.Fixed = fixed;
    fit.PerDegree = perDegree;
    double sum = 0;
    for (const BentAngle& angle : angles) {
        const double residual =
            angle.Machine - (angle.Measured + fit.Fixed + fit.PerDegree * angle.Measured);
        fit.Residuals.push_back(residual);
        sum += residual * residual;
    }
    fit.Rms = angles.empty() ? 0.0 : std::sqrt(sum / static_cast<double>(angles.size()));
    return fit;
}

} // namespace tubrix
