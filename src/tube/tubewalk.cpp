#include "tubewalk.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tubrix {

namespace {

constexpr double RadiansPerDegree = std::numbers::pi / 180.0;

// Reduced to one turn first, so large angles keep their precision, and exact at the quarter
// turns that tube programs are full of.
void SinCosDegrees(double degrees, double& sine, double& cosine) {
    const double r = std::fmod(degrees, 360.0);
    if (r == 0) {
        sine = 0, cosine = 1;
    } else if (r == 90 || r == -270) {
        sine = 1, cosine = 0;
    } else if (r == 180 || r == -180) {
        sine = 0, cosine = -1;
    } else if (r == 270 || r == -90) {
        sine = -1, cosine = 0;
    } else {
        sine = std::sin(r * RadiansPerDegree);
        cosine = std::cos(r * RadiansPerDegree);
    }
}

std::int32_t RowsInUse(const BendProgram& program) {
    return std::clamp(program.StepCount, 0, MaxBendSteps);
}

void Include(Vec3& low, Vec3& high, Vec3 p) {
    low = {std::min(low.X, p.X), std::min(low.Y, p.Y), std::min(low.Z, p.Z)};
    high = {std::max(high.X, p.X), std::max(high.Y, p.Y), std::max(high.Z, p.Z)};
}

double Component(Vec3 v, int axis) {
    return axis == 0 ? v.X : axis == 1 ? v.Y : v.Z;
}

// The arc's extremes along each axis: where the derivative of that coordinate vanishes inside
// the sweep, besides its two ends (which the straights already give).
void IncludeArc(Vec3& low, Vec3& high, const WalkBend& bend, Vec3 heading) {
    const double sweep = std::min(std::fabs(bend.Degrees) * RadiansPerDegree, 2 * std::numbers::pi);
    for (int axis = 0; axis < 3; ++axis) {
        const double u = Component(bend.FromCentre, axis);
        const double h = Component(heading, axis);
        if (u == 0 && h == 0) {
            continue;
        }
        const double first = std::atan2(h, u);
        for (int k = -1; k <= 2; ++k) {
            const double t = first + k * std::numbers::pi;
            if (t >= 0 && t <= sweep) {
                const Vec3 along = bend.FromCentre * std::cos(t) + heading * std::sin(t);
                Include(low, high, bend.Centre + along * bend.Radius);
            }
        }
    }
}

// The bend block of a row, as the forward list makes it: to the centre, the turn about the
// centre's y axis by the bend angle, back out by the radius, and the half turn the next
// straight expects. Returns the bend when the row draws one.
std::optional<WalkBend> WalkBendBlock(WalkFrame& m, const BendStep& step, Vec3 heading) {
    const BendPlacement placement = PlaceBend(step);
    const double radius = placement.Radius;
    const double angle = placement.Degrees;
    const Vec3 fromCentre = m.Direction({-1, 0, 0});
    if (placement.Placed) {
        m = m.Moved({radius, 0, 0});
    }
    const Vec3 centre = m.Origin();
    m = m.Turned(0, 90).Turned(1, 180).Turned(0, -90).Turned(1, -180);
    if (placement.Placed) {
        m = m.Turned(1, angle).Moved({-radius, 0, 0});
    }
    m = m.Turned(1, 180);
    if (!placement.Drawn) {
        return std::nullopt;
    }
    WalkBend bend;
    bend.Centre = centre;
    bend.End = m.Origin();
    bend.FromCentre = fromCentre;
    bend.Axis = Cross(fromCentre, heading);
    bend.Radius = radius;
    bend.Degrees = angle;
    bend.ArcLength = radius * angle * RadiansPerDegree;
    double halfSine = 0, halfCosine = 0;
    SinCosDegrees(angle * 0.5, halfSine, halfCosine);
    if (halfCosine != 0) {
        const Vec3 straightEnd = centre + fromCentre * radius;
        bend.Intersection = straightEnd + heading * (radius * halfSine / halfCosine);
    }
    return bend;
}

} // namespace

double Length(Vec3 a) {
    return std::sqrt(Dot(a, a));
}

Vec3 Normalized(Vec3 a) {
    const double length = Length(a);
    return length > 0 ? a * (1 / length) : a;
}

Vec3 WalkFrame::Point(Vec3 p) const {
    return {M[0] * p.X + M[4] * p.Y + M[8] * p.Z + M[12],
            M[1] * p.X + M[5] * p.Y + M[9] * p.Z + M[13],
            M[2] * p.X + M[6] * p.Y + M[10] * p.Z + M[14]};
}

Vec3 WalkFrame::Direction(Vec3 d) const {
    return {M[0] * d.X + M[4] * d.Y + M[8] * d.Z, M[1] * d.X + M[5] * d.Y + M[9] * d.Z,
            M[2] * d.X + M[6] * d.Y + M[10] * d.Z};
}

WalkFrame WalkFrame::Inverse() const {
    WalkFrame inverse;
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            inverse.M[column * 4 + row] = M[row * 4 + column];
        }
    }
    const Vec3 back = inverse.Direction(Origin());
    inverse.M[12] = -back.X;
    inverse.M[13] = -back.Y;
    inverse.M[14] = -back.Z;
    return inverse;
}

WalkFrame WalkFrame::Turned(int axis, double degrees) const {
    double s = 0, c = 0;
    SinCosDegrees(degrees, s, c);
    const int a = (axis + 1) % 3;
    const int b = (axis + 2) % 3;
    WalkFrame turned = *this;
    for (int row = 0; row < 3; ++row) {
        turned.M[a * 4 + row] = c * M[a * 4 + row] + s * M[b * 4 + row];
        turned.M[b * 4 + row] = -s * M[a * 4 + row] + c * M[b * 4 + row];
    }
    return turned;
}

WalkFrame WalkFrame::Moved(Vec3 by) const {
    WalkFrame moved = *this;
    const Vec3 origin = Point(by);
    moved.M[12] = origin.X;
    moved.M[13] = origin.Y;
    moved.M[14] = origin.Z;
    return moved;
}

TubeWalk WalkTube(const BendProgram& program) {
    TubeWalk walk;
    const std::int32_t rows = RowsInUse(program);
    walk.Steps.reserve(static_cast<std::size_t>(rows));
    WalkFrame m;
    Vec3 low = m.Origin(), high = m.Origin();
    walk.EndHeading = {0, 0, -1};
    for (std::int32_t j = 0; j < rows; ++j) {
        const BendStep& row = program.Steps[j];
        WalkStep step;
        step.Start = m;
        step.StraightStart = m.Origin();
        m = m.Turned(2, 180 + row.B).Moved({0, 0, -row.Y});
        step.StraightEnd = m.Origin();
        step.Heading = m.Direction({0, 0, -1});
        Include(low, high, step.StraightEnd);
        if (j < rows - 1) {
            step.Bend = WalkBendBlock(m, row, step.Heading);
            if (step.Bend) {
                IncludeArc(low, high, *step.Bend, step.Heading);
            }
        }
        walk.End = step.StraightEnd;
        walk.EndHeading = step.Heading;
        walk.Steps.push_back(step);
    }
    const double radius = std::fabs(program.TubeDiameter * 0.5);
    const Vec3 grow{radius, radius, radius};
    walk.BoxMin = low - grow;
    walk.BoxMax = high + grow;
    walk.DevelopedLength = DevelopedLength(program);
    return walk;
}

TubeExtent ExtentAlong(const TubeWalk& walk, Vec3 direction, double tubeRadius, double endReach) {
    const double scale = Length(direction);
    if (walk.Steps.empty() || !(scale > 0)) {
        return {};
    }
    const Vec3 e = direction * (1 / scale);
    const double r = std::fabs(tubeRadius);
    double low = Dot(walk.Start, e), high = low;
    const auto include = [&](Vec3 p, double reach) {
        low = std::min(low, Dot(p, e) - reach);
        high = std::max(high, Dot(p, e) + reach);
    };
    // A circular section across the heading h reaches r sqrt(1 - (h.e)^2) along e.
    const auto section = [&](Vec3 heading) {
        const double along = Dot(heading, e);
        return r * std::sqrt(std::max(0.0, 1 - along * along));
    };
    for (const WalkStep& step : walk.Steps) {
        include(step.StraightStart, section(step.Heading));
        include(step.StraightEnd, section(step.Heading));
        if (!step.Bend) {
            continue;
        }
        // Along the arc the centre line's value is Dot(centre) + R (u cos t + h sin t): its
        // extremes lie where the derivative vanishes, half a turn apart; the heading there is
        // across e, so the section reaches the whole radius.
        const WalkBend& bend = *step.Bend;
        const double u = Dot(bend.FromCentre, e);
        const double h = Dot(step.Heading, e);
        const double sweep =
            std::min(std::fabs(bend.Degrees) * RadiansPerDegree, 2 * std::numbers::pi);
        const double first = std::atan2(h, u);
        for (int k = -1; k <= 2; ++k) {
            const double t = first + k * std::numbers::pi;
            if (t >= 0 && t <= sweep) {
                include(bend.Centre + (bend.FromCentre * std::cos(t) + step.Heading * std::sin(t)) *
                                          bend.Radius,
                        r);
            }
        }
    }
    // What is drawn past the two ends, along their headings outwards.
    include(walk.Start - walk.Steps.front().Heading * endReach, 0);
    include(walk.End + walk.EndHeading * endReach, 0);
    return {low * scale, high * scale};
}

double DevelopedLength(const BendProgram& program) {
    const std::int32_t rows = RowsInUse(program);
    double length = 0;
    for (std::int32_t j = 0; j < rows; ++j) {
        const BendStep& step = program.Steps[j];
        length += step.Y;
        if (j < rows - 1 && step.C > 0) {
            length += step.R * step.C * RadiansPerDegree;
        }
    }
    return length;
}

} // namespace tubrix
