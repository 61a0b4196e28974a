#pragma once

#include "bendprogram.h"

#include <array>
#include <optional>
#include <vector>

namespace tubrix {

// The geometry of the bent tube in double precision: one forward walk over every row from the
// first, making the same moves as the viewer's forward display list (roll by 180 + B about the
// heading, the straight along local -z, the bend block), but starting at row 0 with the
// identity. The tube starts at the origin heading along -z. The viewer draws the same tube moved
// so that the start of row SplitStep lies at its origin: the inverse of that row's Start frame.

struct Vec3 {
    double X = 0;
    double Y = 0;
    double Z = 0;
};

// Inline: the contact and stock searches call these millions of times.
inline Vec3 operator+(Vec3 a, Vec3 b) {
    return {a.X + b.X, a.Y + b.Y, a.Z + b.Z};
}
inline Vec3 operator-(Vec3 a, Vec3 b) {
    return {a.X - b.X, a.Y - b.Y, a.Z - b.Z};
}
inline Vec3 operator*(Vec3 a, double s) {
    return {a.X * s, a.Y * s, a.Z * s};
}
inline double Dot(Vec3 a, Vec3 b) {
    return a.X * b.X + a.Y * b.Y + a.Z * b.Z;
}
inline Vec3 Cross(Vec3 a, Vec3 b) {
    return {a.Y * b.Z - a.Z * b.Y, a.Z * b.X - a.X * b.Z, a.X * b.Y - a.Y * b.X};
}
double Length(Vec3 a);
Vec3 Normalized(Vec3 a);

// A rigid motion as a column-major 4x4 matrix, the layout GL uses; the columns hold the local
// x, y and z axes and the origin in walk coordinates.
struct WalkFrame {
    std::array<double, 16> M{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

    Vec3 Origin() const { return {M[12], M[13], M[14]}; }
    Vec3 Point(Vec3 local) const;     // a local point in walk coordinates
    Vec3 Direction(Vec3 local) const; // a local direction, turned only
    WalkFrame Inverse() const;        // for a rigid motion: transpose and move back
    // Turned about a local coordinate axis (0 x, 1 y, 2 z) by degrees, as glRotatef turns the
    // current matrix; exact at multiples of 90 degrees, so quarter bends land on round numbers.
    WalkFrame Turned(int axis, double degrees) const;
    // Moved along a local vector, as glTranslatef moves the current matrix.
    WalkFrame Moved(Vec3 by) const;
};

// A bend of a row: a circular arc of the centre line.
struct WalkBend {
    Vec3 Centre;
    Vec3 End;
    Vec3 FromCentre;      // unit vector from the centre to the bend's start
    Vec3 Axis;            // unit axis of the turn, FromCentre x heading (right-handed)
    double Radius = 0;    // R as given
    double Degrees = 0;   // C as given
    double ArcLength = 0; // R * C in radians
    // Where the straight legs before and after meet: none for a bend of 180 degrees.
    std::optional<Vec3> Intersection;
};

struct WalkStep {
    WalkFrame Start; // the frame at the start of the row, before its roll
    Vec3 StraightStart;
    Vec3 StraightEnd;
    Vec3 Heading; // unit direction of the straight piece
    // Rows that bend: C above 0 and not the last row (the tube ends with its straight).
    std::optional<WalkBend> Bend;
};

struct TubeWalk {
    std::vector<WalkStep> Steps;
    Vec3 Start;
    Vec3 End;
    Vec3 EndHeading;
    double DevelopedLength = 0;
    // The centre line's box (straight ends and the arcs' true extremes) grown by the tube radius.
    Vec3 BoxMin;
    Vec3 BoxMax;
};

// The tube's reach along a direction in walk coordinates: the lowest and highest Dot(point,
// direction) over its surface, in units of the direction's length. A circular section across
// the heading reaches r sqrt(1 - cos^2) past the centre line, so the ends seen at a slant are
// counted as they look; `endReach` is how far past each end along its heading something is
// drawn (0 for the bare tube). A picture framed by it holds the whole tube.
struct TubeExtent {
    double Low = 0;
    double High = 0;
};
TubeExtent ExtentAlong(const TubeWalk& walk, Vec3 direction, double tubeRadius,
                       double endReach = 0);

// Walks the rows in use (StepCount, held within 0 and MaxBendSteps).
TubeWalk WalkTube(const BendProgram& program);

// The length of the tube drawn, the length to cut: every row's Y plus the arc R * C (radians)
// of every row but the last whose C is above 0. Unlike TotalLength it leaves out the last
// row's arc, which is never bent.
double DevelopedLength(const BendProgram& program);

} // namespace tubrix
