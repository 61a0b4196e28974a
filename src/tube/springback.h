#pragma once

#include "error.h"
#include "machineprofile.h"

#include <span>
#include <vector>

// How far a machine bends past the angle the part keeps: the one law every front takes the
// machine angle from, and its fit to what measured parts show.

namespace tubrix {

// The bend a springback law is asked about besides its angle: the die's radius and the tube.
struct BentTube {
    double Radius = 0;
    double Diameter = 0;
};

// The machine angle that bends a part's angle c on this machine, springback included: today
// c + fixed + per_degree * c with the profile's springback. Every front takes the machine angle
// from here, so another law is one change.
double MachineAngle(const MachineProfile& profile, double c, const BentTube& part);

// The part angle that a machine angle bends: MachineAngle turned back.
double PartAngle(const MachineProfile& profile, double machine, const BentTube& part);

// The measured angle and the machine angle it was bent with, of one bending row.
struct BentAngle {
    double Measured = 0;
    double Machine = 0;
};

// machine = C + fixed + per_degree * C, by least squares over the angles.
struct SpringbackFit {
    double Fixed = 0;
    double PerDegree = 0;
    std::vector<double> Residuals; // machine - (C + fixed + per_degree * C)
    double Rms = 0;
};
// Fails with fewer than two measured angles more than 1e-9 degrees apart.
Result<SpringbackFit> FitSpringback(std::span<const BentAngle> angles);

// The law with these values, and its residuals over the angles.
SpringbackFit SpringbackWith(std::span<const BentAngle> angles, double fixed, double perDegree);

} // namespace tubrix
