#pragma once

#include "tubewalk.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <numbers>
#include <span>
#include <vector>

// The bent tube's centre line as pieces, the distances between it and what it may touch, and
// the one-dimensional minimiser the searches for the nearest approach use. The contact rule
// (the tube touching itself), the bend sequence (the part meeting the unbent stock or the
// floor while it is bent) and any comparison of two centre lines all measure the same pieces
// the same way, so a distance means one thing wherever it is reported.

namespace tubrix {

// ---- Pieces --------------------------------------------------------------------------------

enum class PieceKind { Straight, Arc };

// The straight or the bend's arc of one row, placed along the tube from the lead end. A piece
// of no length stays in the list (a row of Y = 0, a bend of radius 0), so the pieces of a row
// are found by its row and kind, whatever the rows before it hold.
struct Piece {
    PieceKind Kind = PieceKind::Straight;
    int Row = 0;       // the program's row, from 0
    double Start = 0;  // along the tube from the lead end
    double Length = 0; // along the tube, 0 or more
    Vec3 From;         // the first point
    Vec3 Heading;      // unit: the tube's direction at the first point
    // An arc turns in the plane of FromCentre and Heading about Centre.
    Vec3 Centre;
    Vec3 FromCentre; // unit: from the centre to the first point
    double Radius = 0;
    // Every point lies in this sphere: pieces whose spheres keep a distance apart are no nearer.
    Vec3 SphereCentre;
    double SphereRadius = 0;

    bool IsArc() const { return Kind == PieceKind::Arc; }
    double End() const { return Start + Length; }

    // The point `s` along the piece from its first point (0 to Length). An arc of no radius is
    // a corner: all of it is its centre.
    Vec3 At(double s) const {
        if (!IsArc()) {
            return From + Heading * s;
        }
        if (!(Radius > 0)) {
            return Centre;
        }
        const double t = s / Radius;
        return Centre + (FromCentre * std::cos(t) + Heading * std::sin(t)) * Radius;
    }
};

// Every row's straight, then its arc where the row bends, lead end first: the tube as the
// walk draws it, each arc's length R * C in radians as the walk develops it. A bend given a
// negative radius is drawn on the far side of its centre, so its piece has the radius' size
// with FromCentre and Heading turned over, as the tube runs there.
std::vector<Piece> CentrelinePieces(const TubeWalk& walk);

// The index of the row's piece of that kind; pieces.size() when the row has none.
std::size_t FindPiece(std::span<const Piece> pieces, int row, PieceKind kind);

// Whether every number of the piece is finite: one out of reach gives no distances to trust.
bool IsFinite(const Piece& piece);

// The piece moved with the part by a rigid motion (a machine state's placement).
Piece Placed(const Piece& piece, const WalkFrame& frame);
// The piece turned by `radians` about the vertical (parallel to z) through `centre`: the part
// swinging about the die's axis while it is bent.
inline Piece TurnedAboutVertical(const Piece& piece, Vec3 centre, double radians);
// The piece turned by `radians` about the x axis (right-handed): the plane turn between bends,
// about the axis the stock is fed along.
inline Piece TurnedAboutX(const Piece& piece, double radians);

// ---- Distances -----------------------------------------------------------------------------

// The exact distance from `p` to the piece's points from `low` to `high` along it (within 0 and
// Length): to a straight by clamped projection, to an arc by the nearest point of its circle,
// which is an end of the stretch when the circle's nearest point is outside it.
inline double DistanceToStretch(const Piece& piece, Vec3 p, double low, double high);

// Distances to the segment of the x axis from the origin to `length`: where the stock, the
// tube still to be fed, lies in the machine's frame.
inline double PointToXSegment(Vec3 p, double length);
// The same for the segment from `p` to `p + d`, exactly.
double SegmentToXSegment(Vec3 p, Vec3 d, double length);

// The lowest z of the piece's points from 0 to `end` along it, exactly: how near the floor it
// comes.
inline double PieceLowest(const Piece& piece, double end);

// No less than any of the piece's points' distance from the x axis (the greatest, for a
// straight): how far from the feed axis a turn about it can carry the piece.
double FarthestFromXAxis(const Piece& piece);

// ---- Minimising along a piece or a motion --------------------------------------------------

// The smallest value of f found by golden section over [low, high], for the bottom of one dip:
// each step keeps the two thirds of the interval on the lower side, until `maxSteps` steps are
// taken or the interval is no wider than `tolerance`. The ends themselves are not evaluated.
template <typename Function>
double GoldenSection(const Function& f, double low, double high, int maxSteps,
                     double tolerance = 0);

// What Minimise may assume of f and how far it searches. f bends upward at most `Curvature`
// (f'' <= Curvature wherever it exists, and no upward kinks: so is a squared distance to a
// moving point, a height on a turning body, and the least of several of them) and never goes
// below `Lowest` (0 for a distance). Values at or past `Above` are of no interest.
struct Bracket {
    double Curvature;
    double Lowest;
    double Above;
    // How far above the true minimum the bracketing may leave the result; for a squared
    // distance (`Squared`), how far above the root of the true minimum its root may be, at any
    // distance: a part that comes near is bracketed as finely, in distance, as one at the limit
    // (a tolerance in f's own units, 2 d Tolerance at a distance d, would be no bracket at all
    // below its root). With Above, (limit + Tolerance)^2 keeps every distance below the limit.
    double Tolerance;
    int Budget; // evaluations before it settles for the best it has
    // Of each dip still open at the end: a hundred-million-fold narrower. 0 leaves the result at
    // the bracketing's best, within the tolerance (an inner search that need not be exact).
    int GoldenSteps = 40;
    bool Squared = false; // f is a squared distance and Tolerance a distance
};

// The smallest value of f over [a, b], within the bracket's tolerance whenever it lies below
// `Above`, whatever the function's shape: f lies above its chord less (Curvature / 2)
// (x - a)(b - x), which bounds what an interval can hold from the values at its ends, so
// intervals that cannot beat the best value found are dropped and the others halved, and no
// dip is missed between samples. The intervals left undecided are then searched with
// `refined`, which gives f's values to the last digit where f itself may stop at the tolerance
// (an inner minimisation): taken at their ends, it shows where each dip's bottom lies, and the
// lowest dips are closed in on by golden section.
template <typename Function, typename Refined>
double Minimise(Function f, Refined refined, double a, double b, const Bracket& bracket);

// The same where f's values are already exact: its samples are not taken again.
template <typename Function>
double Minimise(Function f, double a, double b, const Bracket& bracket);

// ---- Definitions the searches inline -------------------------------------------------------
//
// The contact and stock searches evaluate these millions of times, inside the minimisers.

template <typename Function>
double GoldenSection(const Function& f, double low, double high, int maxSteps, double tolerance) {
    constexpr double Ratio = 0.6180339887498949;
    double left = high - Ratio * (high - low), right = low + Ratio * (high - low);
    double fLeft = f(left), fRight = f(right);
    for (int step = 0; step < maxSteps && high - low > tolerance; ++step) {
        if (fLeft <= fRight) {
            high = right, right = left, fRight = fLeft;
            left = high - Ratio * (high - low), fLeft = f(left);
        } else {
            low = left, left = right, fLeft = fRight;
            right = low + Ratio * (high - low), fRight = f(right);
        }
    }
    return std::min(fLeft, fRight);
}

namespace detail {

// Minimise, told whether `refined` is f itself.
template <typename Function, typename Refined>
double Minimise(Function& f, Refined& refined, double a, double b, const Bracket& at, bool exact) {
    const double curvature = at.Curvature;
    const double above = at.Above;
    const double fa = f(a);
    const double fb = f(b);
    double best = std::min(fa, fb);
    if (!(b > a) || !std::isfinite(curvature) || !std::isfinite(best) || !(at.Tolerance > 0)) {
        return best;
    }
    // A stretch that cannot reach below this, beating `value` by more than the tolerance, is
    // searched no further. For a squared distance that is the tolerance below its root: nothing
    // at all once the root itself is within the tolerance of 0.
    const auto threshold = [&](double value) {
        if (!at.Squared) {
            return value - at.Tolerance;
        }
        const double root = std::sqrt(std::max(value, 0.0)) - at.Tolerance;
        return root > 0 ? root * root : -std::numeric_limits<double>::infinity();
    };
    struct Span {
        double A, FA, B, FB;
    };
    const auto bound = [&](const Span& span) {
        // The chord less the parabola, lowest at u along the interval (from 0 to 1).
        const double bow = curvature * (span.B - span.A) * (span.B - span.A) * 0.5;
        const double rise = span.FB - span.FA;
        const double u = bow > 0 ? std::clamp(0.5 - rise / (2 * bow), 0.0, 1.0) : 0.0;
        return std::max(span.FA + rise * u - bow * u * (1 - u), at.Lowest);
    };
    std::vector<Span> open{{a, fa, b, fb}};
    std::vector<Span> undecided; // dropped, but they may still hold a little less than the best
    int evaluations = 2;
    while (!open.empty() && evaluations < at.Budget) {
        const Span span = open.back();
        open.pop_back();
        const double low = bound(span);
        const double middle = (span.A + span.B) * 0.5;
        if (low >= threshold(std::min(best, above)) || !(middle > span.A && middle < span.B)) {
            if (low < best && best < above) {
                undecided.push_back(span);
            }
            continue;
        }
        const double fm = f(middle);
        ++evaluations;
        best = std::min(best, fm);
        open.push_back({middle, fm, span.B, span.FB});
        open.push_back({span.A, span.FA, middle, fm});
    }
    if (!(best < above) || at.GoldenSteps <= 0) {
        return best;
    }
    // The stretches whose bound still lies below the best are where its last fraction of the
    // tolerance can hide. Where the function is flat to within the tolerance, the bottom of a
    // dip spans many of them side by side, and their bounds do not say which holds the least
    // (a bound is lowest for the widest stretch, or the steepest ends): the refined function is
    // taken at every end of them, and each sample lower than its neighbours marks a dip, whose
    // bottom lies between those neighbours. The lowest dips are closed in on.
    std::erase_if(undecided, [&](const Span& span) { return !(bound(span) < best); });
    std::sort(undecided.begin(), undecided.end(),
              [](const Span& x, const Span& y) { return x.A < y.A; });
    struct Sample {
        double X, F;
        bool RunStart;
    };
    std::vector<Sample> samples;
    samples.reserve(undecided.size() * 2);
    for (const Span& span : undecided) {
        const bool joined = !samples.empty() && samples.back().X == span.A;
        if (!joined) {
            samples.push_back({span.A, exact ? span.FA : refined(span.A), true});
        }
        samples.push_back({span.B, exact ? span.FB : refined(span.B), false});
    }
    struct Dip {
        double Low, High, F;
    };
    std::vector<Dip> dips;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const Sample& sample = samples[i];
        best = std::min(best, sample.F);
        const bool first = sample.RunStart;
        const bool last = i + 1 == samples.size() || samples[i + 1].RunStart;
        if ((first || sample.F <= samples[i - 1].F) && (last || sample.F <= samples[i + 1].F)) {
            dips.push_back({first ? sample.X : samples[i - 1].X, last ? sample.X : samples[i + 1].X,
                            sample.F});
        }
    }
    constexpr std::size_t MostRefined = 4;
    const auto end = dips.begin() + static_cast<std::ptrdiff_t>(std::min(dips.size(), MostRefined));
    std::partial_sort(dips.begin(), end, dips.end(),
                      [](const Dip& x, const Dip& y) { return x.F < y.F; });
    for (auto dip = dips.begin(); dip != end; ++dip) {
        best = std::min(best, GoldenSection(refined, dip->Low, dip->High, at.GoldenSteps));
    }
    return best;
}

} // namespace detail

template <typename Function, typename Refined>
double Minimise(Function f, Refined refined, double a, double b, const Bracket& bracket) {
    return detail::Minimise(f, refined, a, b, bracket, false);
}

template <typename Function>
double Minimise(Function f, double a, double b, const Bracket& bracket) {
    return detail::Minimise(f, f, a, b, bracket, true);
}

inline Piece TurnedAboutVertical(const Piece& piece, Vec3 centre, double radians) {
    const double c = std::cos(radians), s = std::sin(radians);
    const auto turn = [&](Vec3 v) { return Vec3{c * v.X - s * v.Y, s * v.X + c * v.Y, v.Z}; };
    Piece turned = piece;
    turned.From = centre + turn(piece.From - centre);
    turned.Centre = centre + turn(piece.Centre - centre);
    turned.SphereCentre = centre + turn(piece.SphereCentre - centre);
    turned.Heading = turn(piece.Heading);
    turned.FromCentre = turn(piece.FromCentre);
    return turned;
}

inline Piece TurnedAboutX(const Piece& piece, double radians) {
    const double c = std::cos(radians), s = std::sin(radians);
    const auto turn = [&](Vec3 v) { return Vec3{v.X, c * v.Y - s * v.Z, s * v.Y + c * v.Z}; };
    Piece turned = piece;
    turned.From = turn(piece.From);
    turned.Centre = turn(piece.Centre);
    turned.SphereCentre = turn(piece.SphereCentre);
    turned.Heading = turn(piece.Heading);
    turned.FromCentre = turn(piece.FromCentre);
    return turned;
}

// Always inlined: it is the contact search's innermost step, and a call there costs the whole
// check some 5 %.
[[gnu::always_inline]] inline double DistanceToStretch(const Piece& piece, Vec3 p, double low,
                                                       double high) {
    if (!piece.IsArc()) {
        const double s = std::clamp(Dot(p - piece.From, piece.Heading), low, high);
        return Length(p - (piece.From + piece.Heading * s));
    }
    if (!(piece.Radius > 0)) {
        return Length(p - piece.Centre); // a corner
    }
    // The distance to the circle's points falls monotonically towards the nearest one, so
    // outside the stretch an end is nearest. An arc of more than a turn meets an angle again.
    const Vec3 q = p - piece.Centre;
    const double x = Dot(q, piece.FromCentre);
    const double y = Dot(q, piece.Heading);
    double nearest = std::atan2(y, x);
    if (nearest < 0) {
        nearest += 2 * std::numbers::pi;
    }
    const double first = low / piece.Radius;
    const double last = high / piece.Radius;
    if (nearest < first && last >= 2 * std::numbers::pi) {
        nearest += 2 * std::numbers::pi * std::ceil((first - nearest) / (2 * std::numbers::pi));
    }
    if (nearest >= first && nearest <= last) {
        const double inPlane = std::hypot(x, y) - piece.Radius;
        const double offPlane = Length(q - (piece.FromCentre * x + piece.Heading * y));
        return std::hypot(inPlane, offPlane);
    }
    return std::min(Length(p - piece.At(low)), Length(p - piece.At(high)));
}

inline double PointToXSegment(Vec3 p, double length) {
    const double past = std::max({0.0, -p.X, p.X - length});
    return std::sqrt(past * past + p.Y * p.Y + p.Z * p.Z);
}

// An arc's height is c + a cos t + b sin t, lowest at an end or where (cos t, sin t) points
// along -(a, b).
inline double PieceLowest(const Piece& piece, double end) {
    if (!piece.IsArc()) {
        return std::min(piece.From.Z, piece.At(end).Z);
    }
    double lowest = std::min(piece.At(0).Z, piece.At(end).Z);
    const double a = piece.FromCentre.Z;
    const double b = piece.Heading.Z;
    if (a != 0 || b != 0) {
        double t = std::atan2(-b, -a);
        if (t < 0) {
            t += 2 * std::numbers::pi;
        }
        if (t * piece.Radius <= end) {
            lowest = std::min(lowest, piece.Centre.Z - piece.Radius * std::hypot(a, b));
        }
    }
    return lowest;
}

// ---- One centre line against another --------------------------------------------------------

// How far one piece of a centre line strays from another centre line.
struct PieceDeviation {
    PieceKind Kind = PieceKind::Straight;
    int Row = 0;         // the piece's program row, from 0
    int BendingRow = -1; // which bending row's straight or arc it is (-1: the tail)
    double Value = 0;
};

struct SheathDeviation {
    double Value = 0;
    int Row = 0; // the program's row, from 1, holding the farthest point
    std::vector<PieceDeviation> Pieces;
};

// The largest distance from a point of `measured` to the nominal centre line, within
// `precision` (or 1e-12 of the parts' distance from the origin, where that is coarser): the pieces
// are halved where the bounds from their geometry (a straight's distance to a straight is convex
// along it; an arc lies within its sagitta of its chord) cannot yet rule out more, and each piece's
// largest is kept.
SheathDeviation LargestDeviation(std::span<const Piece> measured, std::span<const Piece> nominal,
                                 double precision);

} // namespace tubrix
