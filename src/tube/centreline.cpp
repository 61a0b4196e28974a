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

namespace {

// The nominal centre line, measured from: exactly at a point, and bounded over a stretch of
// measured points by the geometry of the pieces.
class NominalLine {
public:
    explicit NominalLine(std::span<const Piece> pieces) : pieces_(pieces) {}

    // The exact distance from p to the nominal line, over the pieces listed; `nearest` is set
    // to the piece it is measured to.
    double Distance(Vec3 p, std::span<const std::size_t> candidates,
                    std::size_t* nearest = nullptr) const {
        double best = std::numeric_limits<double>::infinity();
        for (const std::size_t i : candidates) {
            const Piece& piece = pieces_[i];
            const Vec3 d = p - piece.SphereCentre;
            const double reach = best + piece.SphereRadius;
            if (Dot(d, d) >= reach * reach) {
                continue;
            }
            const double distance = DistanceToStretch(piece, p, 0, piece.Length);
            if (distance < best) {
                best = distance;
                if (nearest) {
                    *nearest = i;
                }
            }
        }
        return best;
    }

    // No less than the largest distance to the nominal line over the stretch of the measured
    // piece from `a` to `b` along it: the least, over the pieces listed, of a bound to one
    // piece. The piece nearest the stretch's middle goes first, so that its bound rules most
    // others out by their spheres alone.
    double Bound(const Piece& measured, double a, double b, std::span<const std::size_t> candidates,
                 std::size_t first) const {
        const Vec3 q0 = measured.At(a);
        double bound = std::numeric_limits<double>::infinity();
        for (std::size_t n = 0; n <= candidates.size(); ++n) {
            const std::size_t i = n == 0 ? first : candidates[n - 1];
            if (i >= pieces_.size() || (n > 0 && i == first)) {
                continue;
            }
            const Piece& piece = pieces_[i];
            const Vec3 d = q0 - piece.SphereCentre;
            const double reach = bound + piece.SphereRadius;
            if (n > 0 && Dot(d, d) >= reach * reach) {
                continue;
            }
            bound = std::min(bound, PieceBound(piece, measured, a, b));
        }
        return bound;
    }

private:
    // Along the nominal piece, where the point is nearest: its projection onto a straight, or
    // its angle about an arc's centre, within the piece's ends.
    static double Nearest(const Piece& piece, Vec3 q) {
        if (!piece.IsArc()) {
            return std::clamp(Dot(q - piece.From, piece.Heading), 0.0, piece.Length);
        }
        if (!(piece.Radius > 0)) {
            return 0;
        }
        const Vec3 v = q - piece.Centre;
        double t = std::atan2(Dot(v, piece.Heading), Dot(v, piece.FromCentre));
        const double sweep = piece.Length / piece.Radius;
        if (t < -(2 * std::numbers::pi - sweep) / 2) {
            t += 2 * std::numbers::pi;
        }
        return std::clamp(t, 0.0, sweep) * piece.Radius;
    }

    // The measured points q(s), s from a to b, against the nominal points p(sigma(s)) with sigma
    // running evenly between the ends' nearest: e = q - p is no longer at any s than its chord,
    // whose length is at most the larger end's, plus (b - a)^2 / 8 times the largest |e''|.
    // Both move on circles (or lines), so e'' = (k^2 / R) n_p - (1 / r) n_q, with k the speed of
    // sigma and n the unit vectors from the centres: where the two arcs run alike it is next to
    // nothing, and the bound closes in on the truth as the cube of the stretch. Between two
    // straights it is the convexity of the distance: the larger end's.
    static double PieceBound(const Piece& nominal, const Piece& measured, double a, double b) {
        const Vec3 q0 = measured.At(a), q1 = measured.At(b);
        const double s0 = Nearest(nominal, q0), s1 = Nearest(nominal, q1);
        const Vec3 p0 = nominal.At(s0), p1 = nominal.At(s1);
        const double h = b - a;
        const double k = h > 0 ? std::fabs(s1 - s0) / h : 0.0;
        const bool nominalArc = nominal.IsArc() && nominal.Radius > 0;
        const bool measuredArc = measured.IsArc() && measured.Radius > 0;
        const double pc = nominalArc ? k * k / nominal.Radius : 0.0;
        const double qc = measuredArc ? 1 / measured.Radius : 0.0;
        double curvature = pc + qc;
        if (nominalArc && measuredArc) {
            const auto apart = [&](Vec3 p, Vec3 q) {
                return Length((p - nominal.Centre) * (1 / nominal.Radius) -
                              (q - measured.Centre) * (1 / measured.Radius));
            };
            // n_p - n_q turns no faster than the two unit vectors together.
            const double turn =
                std::max(apart(p0, q0), apart(p1, q1)) + h * 0.5 * (k / nominal.Radius + qc);
            curvature = std::min(curvature, std::fabs(pc - qc) + qc * std::min(turn, 2.0));
        }
        return std::max(Length(q0 - p0), Length(q1 - p1)) + h * h * 0.125 * curvature;
    }

    std::span<const Piece> pieces_;
};

// The largest distance from the measured piece's points to the nominal line.
double PieceLargest(const Piece& piece, const NominalLine& nominal, std::size_t nominalCount,
                    std::span<const Piece> nominalPieces, double precision) {
    std::vector<std::size_t> all(nominalCount);
    for (std::size_t i = 0; i < nominalCount; ++i) {
        all[i] = i;
    }
    if (!(piece.Length > 0)) {
        return nominal.Distance(piece.At(0), all);
    }
    // Only a nominal piece that comes within this of the measured piece's sphere can be the
    // nearest to any of its points.
    const double reach = nominal.Distance(piece.SphereCentre, all) + piece.SphereRadius;
    std::vector<std::size_t> near;
    for (std::size_t i = 0; i < nominalCount; ++i) {
        const Piece& other = nominalPieces[i];
        if (Length(other.SphereCentre - piece.SphereCentre) - other.SphereRadius -
                piece.SphereRadius <=
            reach * (1 + 1e-12) + precision) {
            near.push_back(i);
        }
    }
    const auto at = [&](double s) { return nominal.Distance(piece.At(s), near); };
    double best = std::max(at(0), at(piece.Length));
    // An arc is taken a quarter turn at a time at most, so that no stretch wraps round.
    const double quarter = piece.IsArc() ? piece.Radius * std::numbers::pi / 2 : piece.Length;
    // A piece too long for its numbers gives inf / inf here: it is taken as one stretch.
    const double quarters = piece.Length / quarter;
    const int first = quarters > 1 ? static_cast<int>(std::min(std::ceil(quarters), 4.0)) : 1;
    struct Stretch {
        double A, B;
    };
    std::vector<Stretch> open;
    for (int k = 0; k < first; ++k) {
        open.push_back({piece.Length * k / first, piece.Length * (k + 1) / first});
    }
    constexpr int Budget = 1 << 20;
    for (int evaluations = 0; !open.empty() && evaluations < Budget; ++evaluations) {
        const Stretch stretch = open.back();
        open.pop_back();
        const double middle = (stretch.A + stretch.B) * 0.5;
        std::size_t nearest = nominalCount;
        best = std::max(best, nominal.Distance(piece.At(middle), near, &nearest));
        const double bound = nominal.Bound(piece, stretch.A, stretch.B, near, nearest);
        if (bound <= best + precision || !(middle > stretch.A && middle < stretch.B)) {
            continue;
        }
        open.push_back({stretch.A, middle});
        open.push_back({middle, stretch.B});
    }
    return best;
}

} // namespace

SheathDeviation LargestDeviation(std::span<const Piece> measured, std::span<const Piece> nominal,
                                 double precision) {
    SheathDeviation sheath;
    if (nominal.empty()) {
        return sheath;
    }
    // Distances between points this far out are rounded to about 1e-16 of it: no halving gets
    // the bound closer than that, so a part too large for `precision` is searched to 1e-12 of
    // its size instead of halved until the budget runs out.
    double size = 0;
    for (const std::span<const Piece> pieces : {measured, nominal}) {
        for (const Piece& piece : pieces) {
            size = std::max(size, Length(piece.SphereCentre) + piece.SphereRadius);
        }
    }
    precision = std::max(precision, 1e-12 * size);
    const NominalLine line(nominal);
    for (const Piece& piece : measured) {
        PieceDeviation deviation;
        deviation.Kind = piece.Kind;
        deviation.Row = piece.Row;
        deviation.Value = PieceLargest(piece, line, nominal.size(), nominal, precision);
        if (sheath.Pieces.empty() || deviation.Value > sheath.Value) {
            sheath.Value = deviation.Value;
            sheath.Row = piece.Row + 1;
        }
        sheath.Pieces.push_back(deviation);
    }
    return sheath;
}

} // namespace tubrix
