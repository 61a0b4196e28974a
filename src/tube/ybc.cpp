#include "ybc.h"

#include <cmath>
#include <numbers>
#include <string>

namespace tubrix {

namespace {

constexpr double DegreesPerRadian = 180.0 / std::numbers::pi;
// Legs that turn by less than this are one straight line; a turn this close to a half turn is
// a reversal, which no bend can make.
constexpr double StraightTolerance = 1e-9;
// A straight that comes out below zero by no more than this share of its leg is rounding.
constexpr double ShortLegTolerance = 1e-9;

Error PointError(const std::string& file, const PointRow& point, std::string message) {
    return FileError(file, point.Line, 0, std::move(message));
}

// The walk's own frame turned only: the start frame heads along `heading`; its roll about the
// heading is free and is settled by the first bend.
WalkFrame FrameHeading(Vec3 heading) {
    const Vec3 z = heading * -1;
    const Vec3 helper = std::fabs(z.X) < 0.9 ? Vec3{1, 0, 0} : Vec3{0, 1, 0};
    const Vec3 x = Normalized(Cross(helper, z));
    const Vec3 y = Cross(z, x);
    WalkFrame frame;
    frame.M = {x.X, x.Y, x.Z, 0, y.X, y.Y, y.Z, 0, z.X, z.Y, z.Z, 0, 0, 0, 0, 1};
    return frame;
}

// The turn one row makes, as the walk makes it: the roll by 180 + B about the heading, then the
// bend block's turns (translations do not turn the frame).
WalkFrame TurnOfRow(const WalkFrame& frame, double b, double c) {
    return frame.Turned(2, 180 + b)
        .Turned(0, 90)
        .Turned(1, 180)
        .Turned(0, -90)
        .Turned(1, -180)
        .Turned(1, c)
        .Turned(1, 180);
}

// The roll that brings the bend plane, in which the heading turns towards `towards`, to where
// the walk bends: towards the frame's local +x after the roll by 180 + B.
double RollTowards(const WalkFrame& frame, Vec3 towards) {
    const WalkFrame back = frame.Inverse();
    const Vec3 local = back.Direction(towards);
    return std::atan2(local.Y, local.X) * DegreesPerRadian;
}

// Into (-180, 180], so a program reads as a person would write it.
double Normalize(double degrees) {
    double r = std::remainder(degrees, 360.0);
    return r == -180 ? 180 : r;
}

// A leg shorter than the straights its two bends take from it: the leg (counted from 1, from
// point `leg` + 1 to the next), its length and what each bend takes. Points in inches with radii
// in millimetres make every leg 25.4 times too short: said when that would make this one fit.
std::string ShortLegMessage(std::size_t leg, double length, double before, double after) {
    const auto number = [](double value) { return FormatNumber(value, 3); };
    const std::string first = std::to_string(leg + 1), second = std::to_string(leg + 2);
    std::string message = "leg " + first + ", from point " + first + " to point " + second +
                          ", is too short for its bends: it is " + number(length) +
                          " long, and they need " + number(before + after) + " of it, " +
                          number(before) + " at point " + first + " and " + number(after) +
                          " at point " + second;
    if (length * 25.4 >= before + after) {
        message += " (points in inches and radii in mm?)";
    }
    return message;
}

} // namespace

Result<std::vector<XyzPoint>> ProgramToXyz(const TubeWalk& walk) {
    std::vector<XyzPoint> points{{walk.Start, std::nullopt}};
    for (std::size_t row = 0; row < walk.Steps.size(); ++row) {
        const std::optional<WalkBend>& bend = walk.Steps[row].Bend;
        if (!bend) {
            continue;
        }
        if (!bend->Intersection) {
            Error error;
            error.Row = static_cast<int>(row) + 1;
            error.Field = ProgramField::C;
            error.Message = "bends by 180 degrees: its legs are parallel and meet at no point";
            return error;
        }
        points.push_back({*bend->Intersection, bend->Radius});
    }
    points.push_back({walk.End, std::nullopt});
    return points;
}

Result<ProgramRows> XyzToProgram(const PointsRows& file, std::optional<double> radius,
                                 const std::string& name) {
    const std::vector<PointRow>& p = file.Points;
    const std::size_t legs = p.size() - 1;
    std::vector<Vec3> direction(legs);
    std::vector<double> legLength(legs);
    for (std::size_t k = 0; k < legs; ++k) {
        const Vec3 leg = Vec3{p[k + 1].X, p[k + 1].Y, p[k + 1].Z} - Vec3{p[k].X, p[k].Y, p[k].Z};
        legLength[k] = Length(leg);
        if (legLength[k] == 0) {
            return PointError(name, p[k + 1], "the point equals the one before it");
        }
        direction[k] = leg * (1 / legLength[k]);
    }

    // At each interior point: the angle the legs turn by, the radius and the tangent length.
    std::vector<double> turn(p.size(), 0), bendRadius(p.size(), 0), tangent(p.size(), 0);
    for (std::size_t i = 1; i < legs; ++i) {
        const Vec3 before = direction[i - 1], after = direction[i];
        const double sine = Length(Cross(before, after)), cosine = Dot(before, after);
        const double angle = std::atan2(sine, cosine);
        bendRadius[i] = p[i].R ? *p[i].R : radius.value_or(0);
        if (angle >= std::numbers::pi - StraightTolerance) {
            return PointError(name, p[i], "the legs reverse (turn by 180 degrees)");
        }
        // Legs that run on in line make no bend, so they need no radius.
        if (angle < StraightTolerance) {
            continue;
        }
        if (!p[i].R && !radius) {
            return PointError(name, p[i], "no bend radius: give one on the line or --radius");
        }
        if (!(bendRadius[i] > 0)) {
            return PointError(name, p[i], "a bend radius must be above 0");
        }
        turn[i] = angle;
        // tan(angle / 2) from the legs themselves: exact for square corners.
        tangent[i] = bendRadius[i] * sine / (1 + cosine);
    }

    ProgramRows program;
    program.Diameter = file.Diameter;
    WalkFrame frame = FrameHeading(direction[0]);
    bool planeSet = false;
    for (std::size_t k = 0; k < legs; ++k) {
        double y = legLength[k] - tangent[k] - tangent[k + 1];
        if (y < 0 && y >= -ShortLegTolerance * legLength[k]) {
            y = 0;
        }
        if (y < 0) {
            return PointError(name, p[k + 1],
                              ShortLegMessage(k, legLength[k], tangent[k], tangent[k + 1]));
        }
        BendRowInput row{y, 0, 0, 0};
        if (k + 1 < legs) {
            row.R = bendRadius[k + 1];
            if (turn[k + 1] > 0) {
                const Vec3 towards = Normalized(direction[k + 1] -
                                                direction[k] * Dot(direction[k + 1], direction[k]));
                const double roll = RollTowards(frame, towards);
                if (!planeSet) {
                    // The points fix the tube only up to a turn about its first leg: choose the
                    // start frame so that the first bend lies in the walk's own plane. The rows
                    // before only roll about the heading, so turning the frame now is the same.
                    frame = frame.Turned(2, roll - 180);
                    planeSet = true;
                } else {
                    row.B = Normalize(roll - 180);
                }
                row.C = turn[k + 1] * DegreesPerRadian;
            }
        } else {
            row.R = legs > 1 ? program.Rows.back().R : radius.value_or(0);
        }
        frame = TurnOfRow(frame, row.B, row.C);
        program.Rows.push_back(row);
    }
    return program;
}

ProgramRows ProgramAlongPath(const std::vector<PathPiece>& path, Vec3 heading, double diameter) {
    ProgramRows program;
    program.Diameter = diameter;
    WalkFrame frame = FrameHeading(heading);
    bool planeSet = false;
    double y = 0;
    double lastRadius = 0;
    for (const PathPiece& piece : path) {
        if (!piece.Bend) {
            y += piece.Length;
            continue;
        }
        BendRowInput row{y, 0, piece.Degrees, piece.Radius};
        const double roll = RollTowards(frame, piece.Towards);
        if (!planeSet) {
            // As for points: the start frame's roll is free, so the first bend sets it.
            frame = frame.Turned(2, roll - 180);
            planeSet = true;
        } else {
            row.B = Normalize(roll - 180);
        }
        frame = TurnOfRow(frame, row.B, row.C);
        program.Rows.push_back(row);
        y = 0;
        lastRadius = piece.Radius;
    }
    program.Rows.push_back({y, 0, 0, lastRadius});
    return program;
}

} // namespace tubrix
