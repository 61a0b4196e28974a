#pragma once

#include "error.h"
#include "tubewalk.h"

#include <array>
#include <span>

// The rigid motions that lay one set of points on another: a measured part on its nominal,
// a program's walk on the points it was measured as.

namespace tubrix {

// p -> Rotation p + Translation; Rotation by rows, proper (determinant +1).
struct RigidMotion {
    std::array<std::array<double, 3>, 3> Rotation{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
    Vec3 Translation;

    Vec3 Apply(Vec3 p) const;
    // The same motion as the walk's column-major frame, to move pieces with.
    WalkFrame Frame() const;
};

// The rigid motion (no scaling, no reflection) that minimises the sum of squared distances
// from the moved `from` points to the `onto` points, by the SVD of their cross-covariance.
// Fails when there are fewer than three pairs or either set lies in one line: then many motions
// fit alike.
Result<RigidMotion> BestRigidMotion(std::span<const Vec3> from, std::span<const Vec3> onto);

// The root mean square of the distances from the moved `from` points to the `onto` points.
double RmsDistance(const RigidMotion& motion, std::span<const Vec3> from,
                   std::span<const Vec3> onto);

// a after b.
RigidMotion Composed(const RigidMotion& a, const RigidMotion& b);

// The motion that lays a program's walk onto the points it was measured as: the same points up
// to rounding, so the fit is exact; a straight tube is placed by its one direction.
RigidMotion WalkOntoPoints(std::span<const Vec3> walkPoints, std::span<const Vec3> points);

} // namespace tubrix
