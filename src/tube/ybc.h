#pragma once

#include "programfile.h"
#include "tubewalk.h"

#include <optional>
#include <string>
#include <vector>

namespace tubrix {

// XYZ <-> YBC: the conversions between a bend program and the points a CAD drawing gives (the
// tube's ends and the intersection points of its straight legs, each with a bend radius).

// One XYZ point: where the legs meet, with the bend radius there (none at the two ends).
struct XyzPoint {
    Vec3 At;
    std::optional<double> R;
};

// The program's XYZ points from its walk: the tube's start, the intersection point of each row
// that bends, the tube's end. Fails on a bend of 180 degrees, which has no intersection point,
// naming its row and C.
Result<std::vector<XyzPoint>> ProgramToXyz(const TubeWalk& walk);

// The bend program through the given points: Y the straight between tangent points, C the angle
// between successive legs, B the turn of the bending plane as the walk applies it, R the radius
// at the point where the row's bend is (a point's own radius, else `radius`). Legs within 1e-9
// radians of a straight line are straight (C 0, B 0); the first row that bends gets B 0; the
// last row gets B 0, C 0 and the previous row's R. A point where the legs run on in line needs
// no radius. Errors name the line of the point at fault.
Result<ProgramRows> XyzToProgram(const PointsRows& points, std::optional<double> radius,
                                 const std::string& file);

// One piece of a centre line walked from its lead end: a straight of `Length`, or a bend by
// `Degrees` on `Radius` that turns towards `Towards` (unit, from the bend's start to its centre).
struct PathPiece {
    bool Bend = false;
    double Length = 0;
    double Degrees = 0;
    double Radius = 0;
    Vec3 Towards;
};

// The program of a centre line that starts along `heading`, as XyzToProgram makes it from the
// line's points: straights in a row are one Y, the first bend's plane is B 0, the last row takes
// the previous row's R. A bend of 180 degrees, which points cannot hold, is C 180.
ProgramRows ProgramAlongPath(const std::vector<PathPiece>& path, Vec3 heading, double diameter);

} // namespace tubrix
