#include "centreline.h"

#include <limits>
#include <numbers>

namespace tubrix {

namespace {

bool Finite(Vec3 v) {
    return std::isfinite(v.X) && std::isfinite(v.Y) && std::isfinite(v.Z);
}

// An arc's sphere: within a half turn the arc lies in the sphere on its chord (grown by a hair
// for the rounding of its ends), past that in its circle's.
void BoundArc(Piece& arc) {
    const double sweep = arc.Radius > 0 ? arc.Length / arc.Radius : 0;
    if (sweep <= std::numbers::pi) {
        arc.SphereCentre = (arc.At(0) + arc.At(arc.Length)) * 0.5;
        arc.SphereRadius = arc.Radius * std::sin(sweep * 0.5) * (1 + 1e-12);
    } else {
        arc.SphereCentre = arc.Centre;
        arc.SphereRadius = arc.Radius;
    }
}

} // namespace

std::vector<Piece> CentrelinePieces(const TubeWalk& walk) {
    std::vector<Piece> pieces;
    pieces.reserve(walk.Steps.size() * 2);
    double along = 0;
    for (std::size_t i = 0; i < walk.Steps.size(); ++i) {
        const WalkStep& step = walk.Steps[i];
        Piece straight;
        straight.Row = static_cast<int>(i);
        straight.Start = along;
        straight.Length = Length(step.StraightEnd - step.StraightStart);
        straight.From = step.StraightStart;
        straight.Heading = step.Heading;
        straight.SphereCentre = straight.At(straight.Length * 0.5);
        straight.SphereRadius = straight.Length * 0.5;
        along += straight.Length;
        pieces.push_back(straight);
        if (!step.Bend) {
            continue;
        }
        const WalkBend& bend = *step.Bend;
        const double sign = bend.Radius < 0 ? -1 : 1;
        Piece arc;
        arc.Kind = PieceKind::Arc;
        arc.Row = static_cast<int>(i);
        arc.Start = along;
        arc.Length = std::fabs(bend.ArcLength);
        arc.Centre = bend.Centre;
        arc.FromCentre = bend.FromCentre * sign;
        arc.Heading = step.Heading * sign;
        arc.Radius = std::fabs(bend.Radius);
        arc.From = arc.At(0);
        BoundArc(arc);
        along += arc.Length;
        pieces.push_back(arc);
    }
    return pieces;
}

std::size_t FindPiece(std::span<const Piece> pieces, int row, PieceKind kind) {
    const auto found = std::find_if(pieces.begin(), pieces.end(), [&](const Piece& piece) {
        return piece.Row == row && piece.Kind == kind;
    });
    return static_cast<std::size_t>(found - pieces.begin());
}

bool IsFinite(const Piece& p) {
    return Finite(p.From) && Finite(p.Heading) && Finite(p.Centre) && Finite(p.FromCentre) &&
           Finite(p.SphereCentre) && std::isfinite(p.SphereRadius) && std::isfinite(p.Radius) &&
           std::isfinite(p.Start) && std::isfinite(p.End());
}

Piece Placed(const Piece& piece, const WalkFrame& frame) {
    Piece placed = piece;
    placed.From = frame.Point(piece.From);
    placed.Heading = frame.Direction(piece.Heading);
    placed.Centre = frame.Point(piece.Centre);
    placed.FromCentre = frame.Direction(piece.FromCentre);
    placed.SphereCentre = frame.Point(piece.SphereCentre);
    return placed;
}

// The squared distance is a convex quadratic in s on each stretch where p + s d is behind,
// alongside or past the segment, so each stretch's minimum is its vertex or an end.
double SegmentToXSegment(Vec3 p, Vec3 d, double length) {
    // Where p + s d crosses x = 0 and x = length, in order along it.
    double cuts[4] = {0, 0, 0, 0};
    int count = 1;
    if (d.X != 0) {
        const double first = -p.X / d.X;
        const double second = (length - p.X) / d.X;
        for (double s : {std::min(first, second), std::max(first, second)}) {
            if (s > 0 && s < 1) {
                cuts[count++] = s;
            }
        }
    }
    cuts[count++] = 1;
    double best = std::numeric_limits<double>::infinity();
    for (int i = 0; i + 1 < count; ++i) {
        const double middle = p.X + d.X * (cuts[i] + cuts[i + 1]) * 0.5;
        // past = alpha + beta * s on this stretch
        double alpha = 0, beta = 0;
        if (middle < 0) {
            alpha = -p.X, beta = -d.X;
        } else if (middle > length) {
            alpha = p.X - length, beta = d.X;
        }
        const double square = beta * beta + d.Y * d.Y + d.Z * d.Z;
        const double linear = alpha * beta + p.Y * d.Y + p.Z * d.Z;
        const double s = square > 0 ? std::clamp(-linear / square, cuts[i], cuts[i + 1]) : cuts[i];
        best = std::min(best, PointToXSegment(p + d * s, length));
    }
    return best;
}

// A straight's farthest point is an end (the distance is convex along it); an arc's centre's
// distance plus the radius bounds its points'.
double FarthestFromXAxis(const Piece& piece) {
    if (piece.IsArc()) {
        return std::hypot(piece.Centre.Y, piece.Centre.Z) + piece.Radius;
    }
    const Vec3 end = piece.At(piece.Length);
    return std::max(std::hypot(piece.From.Y, piece.From.Z), std::hypot(end.Y, end.Z));
}

} // namespace tubrix
